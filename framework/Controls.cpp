#include "framework/Controls.h"

namespace fw {

std::string CListBox::GetText(int index) const {
    const LRESULT len = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (len == LB_ERR || len < 0) {
        return {};
    }
    std::string text(static_cast<size_t>(len) + 1, '\0');
    const LRESULT got = SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR || got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

}  // namespace fw
