// The tree view: a tree of objects that answer count, item and text, filled
// level by level as the user expands its nodes. The selected node can be
// written back into the bound object.
#include <windows.h>

#include <commctrl.h>

#include "Widgets.hpp"
#include "fl_constants.h"
#include "jni_rows.hpp"
#include "runtime.hpp"

namespace {

constexpr const char *kModule = "Treeview";
constexpr DWORD kTreeStyle =
    TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS | TVS_TRACKSELECT;

} // namespace

class CFLRT_TreeViewControl : public CFLRT_Cloneable<CFLRT_TreeViewControl, CFLRT_EditableControl> {
public:
    bool ReadProperties() override;
    LRESULT OnNotify(WPARAM wparam, NMHDR *header) override;
    int Refresh(CFLRT_AbstractWidget *changed) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;

private:
    void InsertChildren(jobject node, HTREEITEM parent);
    void OnExpanding(const NMTREEVIEWA &change);
    void OnSelected(const NMTREEVIEWA &change);

    FLF_ITEM selected_path_ = nullptr;
    flrt::KeptObjects nodes_;
    // Rebuilding the tree changes its selection; the object must not hear of that.
    bool loading_ = false;
};

bool CFLRT_TreeViewControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    style_ = (style_ & ~TVS_EDITLABELS) | kTreeStyle;
    selected_path_ = AccessPath(description_, {FL_properties, FL_tree_view, FL_selected});
    return true;
}

int CFLRT_TreeViewControl::Refresh(CFLRT_AbstractWidget *changed)
{
    // The tree is not rebuilt after its own selection.
    if (changed == this)
        return 1;
    return CFLRT_EditableControl::Refresh(changed);
}

bool CFLRT_TreeViewControl::LoadValue(CFLRT_AbstractWidget *)
{
    loading_ = true;
    SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(window_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    nodes_.Release();
    jobject root = javaapi_get_value(object_, value_path_).l;
    if (root)
        InsertChildren(root, TVI_ROOT);
    SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
    loading_ = false;
    flrt::delete_local(root);
    return root != nullptr;
}

void CFLRT_TreeViewControl::InsertChildren(jobject node, HTREEITEM parent)
{
    for (const flrt::TreeChild &child : flrt::tree_children(node, nodes_, kModule)) {
        TVINSERTSTRUCTA insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
        insert.item.pszText = const_cast<char *>(child.label.c_str());
        insert.item.cChildren = child.children;
        insert.item.lParam = reinterpret_cast<LPARAM>(child.node);
        SendMessageA(window_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
}

LRESULT CFLRT_TreeViewControl::OnNotify(WPARAM, NMHDR *header)
{
    const auto &change = *reinterpret_cast<NMTREEVIEWA *>(header);
    if (header->code == TVN_ITEMEXPANDINGA)
        OnExpanding(change);
    else if (header->code == TVN_SELCHANGEDA)
        OnSelected(change);
    return 0;
}

void CFLRT_TreeViewControl::OnExpanding(const NMTREEVIEWA &change)
{
    flrt::WaitCursor wait;
    HTREEITEM item = change.itemNew.hItem;
    // Expanding a node selects it.
    SendMessageA(window_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    if (!SendMessageA(window_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)))
        InsertChildren(reinterpret_cast<jobject>(change.itemNew.lParam), item);
}

void CFLRT_TreeViewControl::OnSelected(const NMTREEVIEWA &change)
{
    if (loading_ || !selected_path_)
        return;
    javaapi_set_value(object_, selected_path_, flrt::object_value(reinterpret_cast<jobject>(change.itemNew.lParam)));
    owner_form_->LoadValue(this);
}

namespace {
flrt::RegisterWidget<CFLRT_TreeViewControl> g_tree_view(FL_kind_tree_view, "SysTreeView32");
} // namespace
