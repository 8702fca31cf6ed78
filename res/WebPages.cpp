#include "res/WebPages.h"

#include "res/Resource.h"

#include <iterator>

QString WebPageUrl(WebPage page) {
    switch (page) {
    case WebPage::Home:
        return QStringLiteral("https://www.example.com/ostrela/");
    case WebPage::DvdCopy:
        return QStringLiteral("https://www.example.com/ostrela/dvd-copy/");
    case WebPage::DvdAuthoring:
        return QStringLiteral("https://www.example.com/ostrela/dvd-authoring/");
    case WebPage::PortablePlayer:
        return QStringLiteral("https://www.example.com/ostrela/portable-player/");
    case WebPage::Products:
        return QStringLiteral("https://www.example.com/ostrela/products/");
    case WebPage::DvdRipping:
        return QStringLiteral("https://www.example.com/ostrela/dvd-ripping/");
    case WebPage::Download:
        return QStringLiteral("https://www.example.com/ostrela/download/");
    case WebPage::Tamsel:
        return QStringLiteral("https://www.example.com/ostrela/tamsel/");
    case WebPage::Brevik:
        return QStringLiteral("https://www.example.com/ostrela/brevik/");
    }
    return QString();
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
