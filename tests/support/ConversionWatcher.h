#pragma once
// The conversion dialog's captions, and its texts and bars as each notice finds them.

#include "convert/Redirect.h"
#include "convert/StatusDlg.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"

#include <QApplication>
#include <QProgressBar>
#include <QSet>
#include <QStringList>

namespace testing_support {

class ConversionWatcher : public QObject {
public:
    ConversionWatcher() { qApp->installEventFilter(this); }
    ~ConversionWatcher() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dlg = qobject_cast<CStatusDlg*>(watched);
        if (dlg && event->type() == QEvent::WindowTitleChange)
            captions << dlg->windowTitle();
        // Each notice finds the texts the one before it left.
        dlg = nullptr;
        if (event->type() == CRunnerNoticeEvent::EventType())
            for (QObject* o = watched; o && !dlg; o = o->parent())
                dlg = qobject_cast<CStatusDlg*>(o);
        if (dlg) {
            currents.insert(GetDlgItemText(dlg, IDC_CURRENT_TEXT));
            totals.insert(QString::number(GetDlgItemAs<QProgressBar>(dlg, IDC_TOTAL_BAR)->value()) +
                          "|" + GetDlgItemText(dlg, IDC_TOTAL_TEXT));
            if (static_cast<CRunnerNoticeEvent*>(event)->kind() == RunnerNotice::Ended)
                taskBarsAtEnd << GetDlgItemAs<QProgressBar>(dlg, IDC_TASK_BAR)->value();
        }
        return false;
    }

    CStatusDlg* Dialog() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<CStatusDlg*>(w); dlg && dlg->isVisible())
                return dlg;
        return nullptr;
    }

    QStringList captions;
    QSet<QString> currents;   // control 1058
    QSet<QString> totals;     // lower bar value, "|", control 1059
    QList<int> taskBarsAtEnd; // the upper bar as each task's end finds it
};
} // namespace testing_support
