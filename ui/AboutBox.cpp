#include "ui/AboutBox.h"

#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "res/WebPages.h"
#include "ui/MyHyperLink.h"

#include <QAbstractButton>

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    BuildOptions options;
    const auto makeLink = [](QWidget* dialog) -> QWidget* {
        auto* link = new CMyHyperLink(dialog);
        link->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return link;
    };
    options.factories[IDC_TAMSEL_LINK] = makeLink;
    options.factories[IDC_BREVIK_LINK] = makeLink;
    BuildDialog(this, AboutBoxTemplate(), options);
    firstLink = GetDlgItemAs<CMyHyperLink>(this, IDC_BREVIK_LINK);
    secondLink = GetDlgItemAs<CMyHyperLink>(this, IDC_TAMSEL_LINK);
    OnInitDialog();
}

CAboutBox::~CAboutBox() = default;

void CAboutBox::OnInitDialog() {
    secondLink->SetUrl(WebPageUrl(WebPage::Tamsel));
    secondLink->setText(QStringLiteral("Tamsel"));
    firstLink->setText(QStringLiteral("Brevik"));
    firstLink->SetUrl(WebPageUrl(WebPage::Brevik));
    if (auto* ok = GetDlgItemAs<QAbstractButton>(this, IDC_OK)) {
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
        ok->setFocus();
    }
}
