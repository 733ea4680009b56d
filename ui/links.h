#pragma once
// The project's home page and mailbox, in this one place.
#include <QUrl>

namespace kesmal {

QUrl HomePageUrl();

// A mailto: address whose message is titled "[Kesmal v3.1] : ".
QUrl MailUrl();

}  // namespace kesmal
