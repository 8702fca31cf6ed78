#pragma once
// The about box: product name, version, a freeware note and two links to the
// maker's other products. Built anew for every modal run, so its links start
// unvisited each time.

#include <QDialog>

class CMyHyperLink;

class CAboutBox : public QDialog {
    Q_OBJECT
public:
    // Without a parent the box belongs to no window; the main window passes itself.
    explicit CAboutBox(QWidget* parent = nullptr);
    ~CAboutBox() override;

    CMyHyperLink* firstLink = nullptr;  // 1038 "Brevik"
    CMyHyperLink* secondLink = nullptr; // 1037 "Tamsel"

private:
    void OnInitDialog();
};
