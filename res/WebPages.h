#pragma once
// The maker's web pages, opened from the menu and the about box. All of them
// live under a domain reserved for examples.

#include <QString>

enum class WebPage {
    Home,           // the maker's home page
    DvdCopy,        // the second product site: DVD copying
    DvdAuthoring,   // a DVD-authoring product
    PortablePlayer, // transfer to portable players
    Products,       // the maker's product list
    DvdRipping,     // a DVD-ripping product
    Download,       // the download page of the home site
    Tamsel,         // about box link 1037
    Brevik,         // about box link 1038
};

QString WebPageUrl(WebPage page);

// The page a menu command opens: 32785 and 32793 to 32798; empty for any other id.
QString WebPageForCommand(int commandId);
