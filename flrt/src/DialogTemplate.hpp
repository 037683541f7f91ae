// The in-memory template of a form's dialog window: no controls (the form
// makes its own), no menu, the dialog class.
#ifndef FLRT_DIALOG_TEMPLATE_HPP
#define FLRT_DIALOG_TEMPLATE_HPP

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace flrt {

// A dialog template in memory, DWORD-aligned as the dialog manager needs it.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, DWORD ex_style, POINT position, POINT size, const std::string &title)
    {
        Put32(style);
        Put32(ex_style);
        Put16(0); // no controls
        Put16(static_cast<WORD>(position.x));
        Put16(static_cast<WORD>(position.y));
        Put16(static_cast<WORD>(size.x));
        Put16(static_cast<WORD>(size.y));
        Put16(0); // no menu
        Put16(0); // the dialog class
        PutText(title);
        if (style & DS_SETFONT) {
            Put16(8);
            PutText("MS Shell Dlg");
        }
    }
    const DLGTEMPLATE *Get()
    {
        aligned_.assign((words_.size() + 1) / 2, 0);
        std::memcpy(aligned_.data(), words_.data(), words_.size() * sizeof(WORD));
        return reinterpret_cast<const DLGTEMPLATE *>(aligned_.data());
    }

private:
    void Put16(WORD word) { words_.push_back(word); }
    void Put32(DWORD value)
    {
        Put16(LOWORD(value));
        Put16(HIWORD(value));
    }
    void PutText(const std::string &text)
    {
        const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        std::vector<WCHAR> wide(static_cast<size_t>(std::max(length, 1)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
        for (WCHAR c : wide)
            Put16(static_cast<WORD>(c));
        if (wide.back() != L'\0')
            Put16(0);
    }
    std::vector<WORD> words_;
    std::vector<DWORD> aligned_;
};

} // namespace flrt

#endif
