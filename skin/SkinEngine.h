#pragma once
// What the skin object does for the program: reads the skin file, applies its
// colours, fonts and style rules to every window once activated, draws a
// caption strip on title-less windows and draws the controls handed to it as
// the skin's elements. Closing (or releasing the object) takes everything off
// again, so no object of this library outlives it.

#include "SkinFile.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QPointer>

class QAbstractButton;
class QWidget;
class CaptionStrip;

class SkinEngine : public QObject {
public:
    SkinEngine();
    ~SkinEngine() override;

    // Option 17: 0 draws the caption strip on title-less windows, anything
    // else leaves them as they are. Option 1: 1 gives every window the skin's
    // colours, fonts and style rules, 0 keeps them for the skin's own parts.
    int SetOption(int option, int value);
    int OpenSkinFile(const QString& path);
    int Activate();
    int AssignElement(qint32 window, const QString& element, qint32 value);
    int Close();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AttachCaption(QWidget* window);
    void DetachCaption(CaptionStrip* strip);
    void PaintElement(QAbstractButton* button, const SkinElement& element);

    SkinDefinition skin;
    bool loaded = false;
    bool active = false;
    int captionOption = 0; // option 17
    int windowsOption = 1; // option 1

    bool appStyled = false;
    QPalette savedPalette;
    QFont savedFont;
    QString savedStyleSheet;

    // Windows given the skin's font family, with the font they had.
    struct Refonted {
        QPointer<QWidget> window;
        QFont font;
    };
    QList<Refonted> refonted;

    QList<QPointer<CaptionStrip>> strips;
    struct Assigned {
        QPointer<QAbstractButton> button;
        QString element; // lower case
        QString savedText;
        bool hovered = false;
    };
    QList<Assigned> assigned;
};
