// Controls that show an array of the bound object as the items of a list or
// combo box and write the selection back as an index, as the element, or both.
#ifndef FLRT_LISTBOX_HPP
#define FLRT_LISTBOX_HPP

#include <string>
#include <vector>

#include "Widgets.hpp"

// What differs between list boxes and combo boxes: their window messages and sort style.
struct FLRT_ItemMessages {
    UINT reset_content;
    UINT add_string;
    UINT set_horizontal_extent;
    UINT get_cur_sel;
    UINT set_cur_sel;
    UINT get_count;
    // The style bit that would make the window sort its items.
    DWORD sort_style;
};

class CFLRT_ArrayControl : public CFLRT_EditableControl {
public:
    bool ReadProperties() override;
    LRESULT OnCommand(WPARAM wparam, LPARAM lparam) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;

    // Writes the selection into the object; whether anything was written.
    virtual bool StoreSelection();
    // Takes the selection from the object; false when the object does not decide it.
    virtual bool LoadSelection();
    virtual int GetCurSel();
    virtual void SetCurSel(int index);
    // The selected element (string variants: the element object), or zero.
    virtual jvalue GetSelectedItem();

    int Count() const { return count_; }
    int LowerBound() const { return lower_bound_; }
    int CurrentSelection() const { return current_selection_; }

protected:
    // messages: null for a control that overrides every operation that sends them.
    CFLRT_ArrayControl(const char *window_class, int group_sign, const FLRT_ItemMessages *messages)
        : CFLRT_EditableControl(window_class), group_sign_(group_sign), messages_(messages)
    {}

    // The bound array, or null.
    jobject Array();
    // Takes the element count and the lower bound of the array.
    void MeasureArray(jobject array);
    // The texts of the window items, one per element in element order.
    virtual void ReadItems(jobject array, std::vector<std::string> &texts);
    // The array for GetSelectedItem; reports a void array under the module's name.
    jobject SelectedArray(const char *module, int line);
    // The integer variants: items as signed decimal texts, the element value as the selected item.
    void ReadIntItems(jobject array, std::vector<std::string> &texts);
    jvalue SelectedInt();

    int count_ = 0;
    int lower_bound_ = 0;
    int group_sign_;
    FLF_ITEM selection_index_path_ = nullptr;
    FLF_ITEM selected_item_path_ = nullptr;
    int current_selection_ = -1;
    const FLRT_ItemMessages *messages_;

    // Selects the item unless it is selected already (which would scroll to it again).
    void SelectItem(int index);

private:
    // Puts the texts into the window unless it holds them already.
    void ShowItems(const std::vector<std::string> &texts);

    // The texts the window holds.
    std::vector<std::string> items_;
};

class CFLRT_ListboxControl : public CFLRT_Cloneable<CFLRT_ListboxControl, CFLRT_ArrayControl> {
public:
    CFLRT_ListboxControl();
};

class CFLRT_ComboboxControl : public CFLRT_Cloneable<CFLRT_ComboboxControl, CFLRT_ArrayControl> {
public:
    CFLRT_ComboboxControl();
};

class CFLRT_ListboxIntControl : public CFLRT_Cloneable<CFLRT_ListboxIntControl, CFLRT_ListboxControl> {
public:
    jvalue GetSelectedItem() override { return SelectedInt(); }

protected:
    void ReadItems(jobject array, std::vector<std::string> &texts) override { ReadIntItems(array, texts); }
};

class CFLRT_ComboboxIntControl : public CFLRT_Cloneable<CFLRT_ComboboxIntControl, CFLRT_ComboboxControl> {
public:
    jvalue GetSelectedItem() override { return SelectedInt(); }

protected:
    void ReadItems(jobject array, std::vector<std::string> &texts) override { ReadIntItems(array, texts); }
};

#endif
