// The main window's part of the plot: the Tools menu item, the panel's plot button, and the plot
// following the connection.
#include <QMenuBar>

#include "bench/widgets/main_window.h"
#include "bench/widgets/plot_window.h"
#include "ui_main_window.h"

namespace norvane::bench {

void MainWindow::SetUpPlot() {
    // The Tools menu goes before Help; another tool may have made it already.
    auto* tools = menuBar()->findChild<QMenu*>("toolsMenu");
    if (!tools) {
        tools = new QMenu(Text("IDS_MAINMENU_TOOLS"), menuBar());
        tools->setObjectName("toolsMenu");
        const auto actions = menuBar()->actions();
        menuBar()->insertMenu(actions.isEmpty() ? nullptr : actions.back(), tools);
    }
    connect(tools->addAction(Text("IDS_MAINMENU_PLOT")), &QAction::triggered, this, &MainWindow::OpenPlot);
    connect(ui_->plotButton, &QPushButton::clicked, this, &MainWindow::OpenPlot);
}

void MainWindow::OpenPlot() {
    if (!plot_) plot_ = std::make_unique<PlotWindow>(sdk_, language_, messages_, this);
    std::vector<NodeEntry> nodes;
    for (int id : logic_->Nodes().TickedIds())
        if (const NodeEntry* node = logic_->FindNode(id)) nodes.push_back(*node);
    // The default period: the panel's monitor interval.
    const int interval = ui_->monitorInterval->text().toInt();
    if (!plot_->Sampling()) plot_->SetNodes(logic_->Connected() ? logic_->Gateway() : 0, nodes, interval);
    plot_->show();
    plot_->raise();
    plot_->activateWindow();
}

void MainWindow::RefreshPlot() {
    ui_->plotButton->setEnabled(logic_->Connected());
    if (plot_ && !logic_->Connected() && plot_->Sampling()) plot_->GatewayClosed();
}

}  // namespace norvane::bench
