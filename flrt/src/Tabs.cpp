// The tab control: other forms of the owner form's class shown as tab pages.
// A page's controls are made when the page is first shown; they then live in
// the owner form (its widget list, its window, its control ids), so they take
// part in its updates and validation, and are hidden while another page shows.
#include <windows.h>

#include <commctrl.h>
#include <algorithm>
#include <memory>
#include <vector>

#include "Form.hpp"
#include "fl_constants.h"
#include "runtime.hpp"

namespace {

constexpr const char *kModule = "Tabs";

} // namespace

class CFLRT_TabsControl : public CFLRT_Cloneable<CFLRT_TabsControl, CFLRT_StaticControl> {
public:
    bool ReadProperties() override;
    bool Create(HWND parent, int id) override;
    LRESULT OnNotify(WPARAM wparam, NMHDR *header) override;
    void Reveal(CFLRT_AbstractWidget *widget) override;

private:
    struct Page {
        std::unique_ptr<CFLRT_Form> form;
        bool materialized = false;
        // The page's controls, owned by the owner form once the page was shown.
        std::vector<CFLRT_AbstractWidget *> widgets;
    };

    void ShowPage(int index);
    void SetPageShown(Page &page, bool shown);
    void Materialize(Page &page);
    POINT PageOrigin();
    // Whether the user may leave the current page: its focused control must hold a valid value.
    bool MayLeavePage();
    void OnPageChanged();
    // The pages are forms of the owner's class, and their controls join the owner.
    CFLRT_Form &Owner() const { return static_cast<CFLRT_Form &>(*owner_form_); }

    std::vector<Page> pages_;
    int current_page_ = -1;
};

bool CFLRT_TabsControl::ReadProperties()
{
    if (!CFLRT_StaticControl::ReadProperties())
        return false;
    style_ = (style_ & ~TCS_FOCUSONBUTTONDOWN) | TCS_FOCUSNEVER;
    if (!pages_.empty())
        return true; // the pages are read once, with the first reading
    FLF_ITEM list = Path(description_, {FL_properties, FL_tabs, FL_items});
    const std::string &class_name = Owner().ClassName();
    for (int position = list ? flf_get_first_prop_position(list) : 0; position;
         position = flf_get_next_prop_position(list, position)) {
        const int number = Int(Prop(flf_item_by_position(list, position), FL_form_number));
        FLF_ITEM form = flrt_find_form(class_name.c_str(), number);
        if (!form) {
            flrt_assert_msg("Unknown form id used as tab page", kModule, __LINE__);
            continue;
        }
        pages_.push_back(Page{std::make_unique<CFLRT_Form>(form, object_, class_name.c_str()), false, {}});
    }
    if (pages_.empty())
        flrt_assert_msg("Tab widget should contain at least one page.", kModule, __LINE__);
    return true;
}

bool CFLRT_TabsControl::Create(HWND parent, int id)
{
    if (!CFLRT_StaticControl::Create(parent, id))
        return false;
    for (size_t index = 0; index < pages_.size(); ++index) {
        std::string caption = pages_[index].form->EvaluateCaption();
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = caption.data();
        if (SendMessageA(window_, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&tab)) == -1)
            flrt_assert_msg("Cannot insert new tab page", kModule, __LINE__);
    }
    if (pages_.empty())
        return true;
    if (SendMessageA(window_, TCM_GETCURSEL, 0, 0) < 0)
        SendMessageA(window_, TCM_SETCURSEL, 0, 0);
    ShowPage(static_cast<int>(SendMessageA(window_, TCM_GETCURSEL, 0, 0)));
    return true;
}

LRESULT CFLRT_TabsControl::OnNotify(WPARAM, NMHDR *header)
{
    switch (header->code) {
    case TCN_SELCHANGING: return MayLeavePage() ? FALSE : TRUE;
    case TCN_SELCHANGE: OnPageChanged(); return 0;
    default: return 0;
    }
}

bool CFLRT_TabsControl::MayLeavePage()
{
    if (current_page_ < 0)
        return true;
    HWND focus = GetFocus();
    for (CFLRT_AbstractWidget *widget : pages_[static_cast<size_t>(current_page_)].widgets) {
        HWND window = widget->Window();
        if (window && (window == focus || IsChild(window, focus))) {
            // Leaving the control commits its value as any loss of the focus does.
            SetFocus(window_);
            return !owner_form_->PendingInvalid();
        }
    }
    return true;
}

void CFLRT_TabsControl::OnPageChanged()
{
    HWND form_window = parent_window_;
    LockWindowUpdate(form_window);
    ShowPage(static_cast<int>(SendMessageA(window_, TCM_GETCURSEL, 0, 0)));
    LockWindowUpdate(nullptr);
    InvalidateRect(form_window, nullptr, TRUE);
    UpdateWindow(form_window);
}

void CFLRT_TabsControl::Reveal(CFLRT_AbstractWidget *widget)
{
    for (size_t index = 0; index < pages_.size(); ++index) {
        const std::vector<CFLRT_AbstractWidget *> &widgets = pages_[index].widgets;
        if (static_cast<int>(index) == current_page_ ||
            std::find(widgets.begin(), widgets.end(), widget) == widgets.end())
            continue;
        SendMessageA(window_, TCM_SETCURSEL, index, 0);
        OnPageChanged();
        return;
    }
}

void CFLRT_TabsControl::ShowPage(int index)
{
    if (index < 0 || index >= static_cast<int>(pages_.size())) {
        flrt_assert(kModule, __LINE__);
        return;
    }
    try {
        if (current_page_ >= 0)
            SetPageShown(pages_[static_cast<size_t>(current_page_)], false);
        current_page_ = index;
        Page &page = pages_[static_cast<size_t>(index)];
        if (page.materialized)
            SetPageShown(page, true);
        else
            Materialize(page);
    } catch (...) {
        HandleFailure(std::current_exception());
    }
}

void CFLRT_TabsControl::SetPageShown(Page &page, bool shown)
{
    for (CFLRT_AbstractWidget *widget : page.widgets) {
        widget->SetPageHidden(!shown);
        ShowWindow(widget->Window(), shown ? SW_SHOW : SW_HIDE);
    }
    // The values may have changed while the page was hidden.
    if (shown)
        for (CFLRT_AbstractWidget *widget : page.widgets)
            widget->Refresh(nullptr);
}

void CFLRT_TabsControl::Materialize(Page &page)
{
    page.materialized = true;
    if (!page.form->ReadProperties()) {
        flrt_assert_msg("Error getting tab properties", kModule, __LINE__);
        return;
    }
    for (CFLRT_AbstractWidget *widget : page.form->Widgets()) {
        if (widget->Is<CFLRT_TabsControl>()) {
            // The page stays unbuilt; its controls stay with its form.
            flrt_assert_msg("Tabs inside Tabs are not supported in this version", kModule, __LINE__);
            return;
        }
    }
    std::vector<std::unique_ptr<CFLRT_AbstractWidget>> taken = page.form->TakeWidgets();
    const POINT origin = PageOrigin();
    for (std::unique_ptr<CFLRT_AbstractWidget> &owned : taken) {
        CFLRT_AbstractWidget *widget = owned.get();
        page.widgets.push_back(widget);
        widget->Create(parent_window_, Owner().AdoptWidget(std::move(owned)));
        RECT bounds{};
        GetWindowRect(widget->Window(), &bounds);
        MapWindowPoints(nullptr, parent_window_, reinterpret_cast<POINT *>(&bounds), 2);
        SetWindowPos(widget->Window(), nullptr, bounds.left + origin.x, bounds.top + origin.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        widget->OnOpen();
    }
    for (CFLRT_AbstractWidget *widget : page.widgets)
        widget->Refresh(nullptr);
}

POINT CFLRT_TabsControl::PageOrigin()
{
    RECT area = flrt_rect_from_size(left_, top_, width_, height_);
    SendMessageA(window_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    return POINT{area.left, area.top};
}

namespace {
flrt::RegisterWidget<CFLRT_TabsControl> g_tabs(FL_kind_tabs, "SysTabControl32");
} // namespace
