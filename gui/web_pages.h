#pragma once

#include <QString>
#include <QUrl>

namespace qv {

// The web addresses the program opens, in one place. The maker's home page and the product's
// page are pages of Quorvane's own documentation, installed with the program, so that no link is
// ever dead.
QUrl makerHomePage();
QUrl productPage();

// Where the missing-driver prompt sends the user.
inline constexpr const char* LIBPCAP_DOWNLOAD_PAGE = "https://www.tcpdump.org/#latest-releases";

// True when the user's locale is in a language written in the Cyrillic script: the tray's "Home
// page" then opens the maker's page rather than the product's.
bool localeIsCyrillic();

} // namespace qv
