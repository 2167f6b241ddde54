// The main window's Tools-menu entries of the loaded plug-ins.
#include <QAction>
#include <QMenu>

#include "console/xConsole.h"
#include "kernel/xKernel.h"
#include "plugins/host/xPlugExec.h"
#include "plugins/host/xPlugLib.h"
#include "ui/uMain.h"

void TfrmMain::BuildPluginMenu() {
    const std::int32_t count = Kernel->PlugLib ? Kernel->PlugLib->Count() : 0;
    if (count == 0) return;
    // "&Analyse", a separator, then the plug-ins in load order.
    const QList<QAction*> items = mnuTools->actions();
    QAction* before = items.size() > 1 ? items[1] : nullptr;
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    mnuTools->insertAction(before, separator);
    for (std::int32_t i = 0; i < count; ++i) {
        auto* action = new QAction(QString::fromStdString(Kernel->PlugLib->Name(i)), this);
        action->setData(i);
        connect(action, &QAction::triggered, this, [this, action] { PluginExecute(action); });
        mnuTools->insertAction(before, action);
        PluginActions.push_back(action);
        PluginUpdate(action);
    }
}

void TfrmMain::PluginUpdate(QAction* action) { action->setEnabled(Kernel->Analysed); }

void TfrmMain::PluginExecute(QObject* sender) {
    auto* action = qobject_cast<QAction*>(sender);
    FatalCheck(action != nullptr, "{76AAF381-E858-11D7-8030-000102960A47}", "");
    const std::int32_t index = action->data().toInt();
    const std::int32_t status = Kernel->ExecutePlugin(index);
    ReportPluginStatus(*Kernel->PlugLib, index, status);
}
