#include "res/Menus.h"

#include "res/Resource.h"

#include <QMenu>
#include <QMenuBar>

namespace {
struct Item {
    const char* text; // null: separator
    int id;
    bool checkable = false;
};

void Fill(QMenu* menu, std::initializer_list<Item> items) {
    for (const Item& item : items) {
        if (!item.text) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromUtf8(item.text));
        a->setProperty("commandId", item.id);
        a->setObjectName(QStringLiteral("cmd%1").arg(item.id));
        a->setCheckable(item.checkable);
    }
}

void FillOperation(QMenu* menu) {
    Fill(menu, {{"Add Files", ID_OPERATION_ADD_FILES},
                {"Delete File", ID_OPERATION_DELETE_FILE},
                {"Delete All Files", ID_OPERATION_DELETE_ALL},
                {"Select Movie Clip", ID_OPERATION_MOVIE_CLIP},
                {"Convert Several Files at Once", ID_OPERATION_SIMULTANEOUS, true},
                {"Add Cover Picture", ID_OPERATION_ADD_COVER, true},
                {"Even Out Loudness", ID_OPERATION_EVEN_LOUDNESS, true},
                {"Add Folder...", ID_OPERATION_ADD_FOLDER}});
}
} // namespace

QMenuBar* LoadMainMenuBar(QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    QMenu* system = bar->addMenu(QStringLiteral("System"));
    Fill(system, {{"Restore Default Settings", ID_SYSTEM_RESTORE_DEFAULTS},
                  {nullptr, 0},
                  {"Visit Our Website", ID_SYSTEM_WEBSITE},
                  {"About", ID_SYSTEM_ABOUT},
                  {nullptr, 0},
                  {"Exit", ID_SYSTEM_EXIT}});
    FillOperation(bar->addMenu(QStringLiteral("Operation")));
    QMenu* dvd = bar->addMenu(QStringLiteral("* Extract Audio From DVD ?  *"));
    Fill(dvd, {{"Tamsel -- Give It A Try NOW", ID_TAMSEL_TRY}});
    return bar;
}

QMenu* LoadOperationMenu(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("Operation"), parent);
    FillOperation(menu);
    return menu;
}

int CommandId(const QAction* action) {
    if (!action)
        return 0;
    const QVariant id = action->property("commandId");
    return id.isValid() ? id.toInt() : 0;
}
