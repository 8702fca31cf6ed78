#include "res/WebPages.h"

#include "res/Resource.h"

#include <iterator>

QString WebPageUrl(WebPage page) {
    // Each page's folder under the home page, in the order of WebPage.
    static constexpr const char* folders[] = {
        "",          "dvd-copy/", "dvd-authoring/", "portable-player/", "products/", "dvd-ripping/",
        "download/", "tamsel/",   "brevik/"};
    static_assert(std::size(folders) == int(WebPage::Brevik) + 1);
    const auto index = std::size_t(page);
    if (index >= std::size(folders))
        return QString();
    return QStringLiteral("https://www.example.com/ostrela/") + QLatin1String(folders[index]);
}

QString WebPageForCommand(int commandId) {
    // 32793 to 32798, in this order.
    static constexpr WebPage pages[] = {WebPage::DvdCopy,        WebPage::DvdAuthoring,
                                        WebPage::PortablePlayer, WebPage::Products,
                                        WebPage::DvdRipping,     WebPage::Download};
    static_assert(std::size(pages) == ID_WEB_PAGE_LAST - ID_WEB_PAGE_FIRST + 1);
    if (commandId == ID_SYSTEM_WEBSITE)
        return WebPageUrl(WebPage::Home);
    if (commandId >= ID_WEB_PAGE_FIRST && commandId <= ID_WEB_PAGE_LAST)
        return WebPageUrl(pages[commandId - ID_WEB_PAGE_FIRST]);
    return QString();
}
