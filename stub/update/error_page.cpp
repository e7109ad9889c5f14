#include "stub/update/error_page.h"

#include <initializer_list>

#include "stub/run/text_search.h"

namespace {

// Each mark's first occurrence comes after the previous mark's.
bool InOrder(std::string_view content, std::initializer_list<std::string_view> marks) {
    size_t after = 0;
    for (std::string_view mark : marks) {
        const size_t at = FindNoCase(content, mark);
        if (at == std::string_view::npos || at < after) return false;
        after = at + mark.size();
    }
    return true;
}

}  // namespace

bool IsErrorPage(std::string_view content) {
    return InOrder(content, {"<TITLE", "404", "</TITLE>"}) ||
           InOrder(content, {"<HTML>", "<HEAD>", "<TITLE>", "</TITLE>"});
}

std::string ErrorPageMessage(std::string_view content, std::string_view url, bool mentionServerType,
                             std::string_view defaultMessage) {
    if (!IsErrorPage(content)) return std::string(defaultMessage);
    std::string message = "<B>404 File Not Found...</B><P><P>URL:  " + std::string(url) + "." +
                          "<P><P>Please make sure the file is available and access is allowed to "
                          "this file.";
    if (mentionServerType && FindNoCase(content, "IIS") != std::string_view::npos)
        message +=
            "<P><P>If you are using an IIS webserver you must define appropriate MIME-Types.";
    return message;
}
