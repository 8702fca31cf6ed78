#pragma once
// Menu resource 131: the main window's menu bar. Every action carries its
// command id in the "commandId" property and the object name "cmd<id>".

class QMenu;
class QMenuBar;
class QWidget;
class QAction;

// The whole bar: "System", "Operation" and "* Extract Audio From DVD ?  *".
QMenuBar* LoadMainMenuBar(QWidget* parent);

// The second pop-up ("Operation") on its own, as the task list's context menu.
QMenu* LoadOperationMenu(QWidget* parent);

// Command id of a menu action, 0 for a separator or a foreign action.
int CommandId(const QAction* action);
