#pragma once
// Dialog templates as tables, and the one helper that turns a table into child
// widgets. Positions are in dialog units, converted to pixels with the average
// character width and the height of the template's font, so layouts keep the
// proportions they were designed with. Every control carries its id in the
// "controlId" property and the object name "ctl<id>", so code and tests find
// controls by id.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class QDialog;
class QWidget;

// The standard button ids, and the id of a control that is never looked up.
constexpr int IDC_OK = 1;
constexpr int IDC_CANCEL = 2;
constexpr int IDC_STATIC = -1;

enum class ControlKind {
    PushButton,
    DefPushButton,
    StaticLeft,
    StaticCenter,
    GroupBox,
    Edit,
    ListView,
    DropList,  // drop-down list: a combo box without editing
    AutoRadio, // radios in a row form one group with one tab stop, the checked one
    AutoCheckBox,
    Progress,
    BlackFrame,
    SunkenLine, // a sunken frame one unit high: a separator
    Icon,       // a static icon showing the application icon
    Custom,     // a control of a registered window class (className)
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, cx, cy;
    bool visible = true;
    const char* className = nullptr;  // for Custom
    std::vector<const char*> items{}; // for DropList, in this order
};

struct DialogTemplate {
    int id;
    const char* caption;
    const char* fontName;
    int pointSize;
    int cx, cy;
    std::vector<ControlTemplate> controls;
    // What a screen reader calls a control whose own text does not say it:
    // the label beside it, by control id.
    std::vector<std::pair<int, const char*>> names{};
};

using ControlFactory = std::function<QWidget*(QWidget* parent)>;

// Registers the factory for a window class named by Custom controls.
void RegisterControlClass(const QString& className, ControlFactory factory);

struct BuildOptions {
    // Replaces the standard widget of a control by id (a subclass bound to it).
    std::map<int, ControlFactory> factories;
    // Pixels above the client area taken by a menu bar or a caption strip.
    int topOffset = 0;
};

// The font a template asks for; the platform falls back where it is missing.
QFont DialogFont(const DialogTemplate& tmpl);

// Average character width and height of the font, the dialog base units.
QSize DialogBaseUnits(const QFont& font);

// Dialog units to pixels, as MapDialogRect does.
QRect MapDialogRect(const QFont& font, const QRect& dialogUnits);

// Sets the dialog's caption, font and fixed client size and creates every
// control in template order (that is also the tab order).
void BuildDialog(QDialog* dialog, const DialogTemplate& tmpl, const BuildOptions& options = {});

// The control with this id, or null.
QWidget* GetDlgItem(const QWidget* dialog, int id);

template <class T> T* GetDlgItemAs(const QWidget* dialog, int id) {
    return qobject_cast<T*>(GetDlgItem(dialog, id));
}

// Window text of a control: label, button, edit box or group box title.
void SetDlgItemText(const QWidget* dialog, int id, const QString& text);
QString GetDlgItemText(const QWidget* dialog, int id);

// Id of a control, IDC_STATIC (-1) for one without.
int GetDlgCtrlID(const QWidget* control);
