// A web server's HTML page delivered in place of the file that was asked for.
#pragma once

#include <string>
#include <string_view>

// At most this much of a downloaded file is looked at.
inline constexpr size_t kErrorPageProbeBytes = 10000;

// "<TITLE" ... "404" ... "</TITLE>", or "<HTML>" ... "<HEAD>" ... "<TITLE>" ... "</TITLE>", in
// this order, without regard to case.
bool IsErrorPage(std::string_view content);
// The 404 message for an error page (with the MIME-type hint when `mentionServerType` and the page
// names IIS), else `defaultMessage`.
std::string ErrorPageMessage(std::string_view content, std::string_view url, bool mentionServerType,
                             std::string_view defaultMessage);
