#include "ui/links.h"

namespace kesmal {
namespace {

constexpr char kHomePage[] = "https://kesmal.example.org/";
constexpr char kMailbox[] = "kesmal@example.org";

}  // namespace

QUrl HomePageUrl() { return QUrl(QString::fromLatin1(kHomePage)); }

QUrl MailUrl() {
  QUrl url;
  url.setScheme(QStringLiteral("mailto"));
  url.setPath(QString::fromLatin1(kMailbox));
  url.setQuery(QStringLiteral("subject=[Kesmal v3.1] : "));
  return url;
}

}  // namespace kesmal
