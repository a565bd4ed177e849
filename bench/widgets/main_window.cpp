#include "bench/widgets/main_window.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <map>

#include "bench/core/port_status.h"
#include "bench/core/startup.h"
#include "bench/core/window_look.h"
#include "bench/widgets/gateway_search_dialog.h"
#include "bench/widgets/io_module_dialog.h"
#include "bench/widgets/kyd0606_dialog.h"
#include "bench/widgets/panel_view.h"
#include "bench/widgets/plot_window.h"
#include "bench/widgets/qt_messages.h"
#include "bench/widgets/register_view.h"
#include "bench/widgets/rfid_dialog.h"
#include "bench/widgets/temperature_dialog.h"
#include "bench/widgets/traffic_window.h"
#include "norvane_version.h"
#include "ui_main_window.h"

namespace norvane::bench {

namespace {

constexpr const char* kBitRates[] = {"1000K", "800K", "500K", "250K", "125K"};
constexpr const char* kSerialTool = "KYM PC-RS232";
constexpr const char* kManual = "Help/Kestrin-manual.html";

template <typename F>
void Queue(QObject* context, F f) {
    QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection);
}

}  // namespace

MainWindow::MainWindow(const SdkTable& sdk, const Language& language, std::string programDir,
                       UserMessages* messages, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::MainWindow>()),
      sdk_(sdk),
      language_(language),
      programDir_(std::move(programDir)),
      ownMessages_(messages ? nullptr : std::make_unique<QtMessages>(this, &language)),
      messages_(messages ? *messages : *ownMessages_),
      log_(language, [this](const std::string& line) { Queue(this, [this, line] { AddLogLine(line); }); }),
      notices_(language, [this](std::string line) { Queue(this, [this, line] { AddNotice(line); }); }) {
    ui_->setupUi(this);
    monitor_ = std::make_unique<MonitorWorker>(
        sdk_, [this] { return logic_->Current().McfgHas(mcfg::kEncoderPosition); },
        [this](const MonitorReading& reading) {
            Queue(this, [this, reading] { panel_->ShowReading(reading); });
        });
    logic_ = std::make_unique<WindowLogic>(sdk_, language_, log_, messages_, *monitor_, programDir_);
    interpreter_ = std::make_unique<Interpreter>(sdk_, language_, log_, messages_, state_, sleeper_);
    scripts_ = std::make_unique<ScriptRunner>(*interpreter_, messages_);
    // MCFG read or written through the command box or a script: the cache of the ticked node and
    // the controls that follow it are updated on this thread.
    interpreter_->SetMcfgObserver([this](int node, int32_t word) {
        Queue(this, [this, node, word] {
            if (node != logic_->Current().Id()) return;
            logic_->Current().SetMcfg(word);
            Refresh();
        });
    });
    panel_ = std::make_unique<PanelView>(*ui_, sdk_, language_, log_, messages_, *logic_, *monitor_,
                                         [this] { Refresh(); });
    registers_ = std::make_unique<RegisterView>(*ui_, this, sdk_, language_, log_, messages_, *logic_,
                                                panel_->Logic(), [this] { Refresh(); });
    // Enter in a panel edit runs that row's command (the window routes every edit's Enter).
    panelEnter_ = [this](int id) { panel_->RunForEdit(id); };
    openManual = [this] { OpenManual(); };
    chooseScript = [this](const QString& filter) {
        return QFileDialog::getOpenFileName(this, "KYM LoadScript", {}, filter);
    };
    notice_relay::Attach(&notices_);

    // The open gateway's port health counters in the status bar, once a second.
    auto* counters = new QTimer(this);
    connect(counters, &QTimer::timeout, this, [this] {
        const std::string line = PortStatusLine(sdk_, language_, logic_->Connected(), logic_->Gateway());
        statusBar()->showMessage(QString::fromStdString(line));
    });
    counters->start(1000);

    // Panes: white text on black.
    for (QPlainTextEdit* pane : {ui_->returnPane, ui_->noticePane})
        pane->setStyleSheet("QPlainTextEdit { background: black; color: white; }");
    ui_->nodeList->setColumnWidth(0, 80);
    ui_->nodeList->setColumnWidth(1, 150);
    for (const char* rate : {"9600", "19200", "38400", "57600", "115200"}) ui_->baudList->addItem(rate);
    for (const char* rate : kBitRates) ui_->bitRateList->addItem(rate);

    // Main menu.
    QMenu* settings = menuBar()->addMenu(Text("IDS_MAINMENU_SET"));
    connect(settings->addAction(Text("IDS_MAINMENU_GATEWAY")), &QAction::triggered, this,
            &MainWindow::OpenGatewaySearch);
    settings->addAction(Text("IDS_MAINMENU_UPDATE"));
    // The language files found beside the program; the choice applies at the next start.
    QMenu* languages = settings->addMenu(Text("IDS_MAINMENU_LANGUAGE"));
    for (const std::string& name : AvailableLanguages(programDir_)) {
        QAction* action = languages->addAction(QString::fromStdString(name));
        action->setCheckable(true);
        action->setChecked(name == language_.Name());
        connect(action, &QAction::triggered, this, [this, name] { ChooseLanguage(name); });
    }
    connect(settings->addAction(Text("IDS_MAINMENU_EXIT")), &QAction::triggered, this,
            &MainWindow::ExitFromMenu);
    QMenu* tools = menuBar()->addMenu(Text("IDS_MAINMENU_TOOLS"));
    tools->setObjectName("toolsMenu");  // the plot adds its item to this menu
    connect(tools->addAction(Text("IDS_MAINMENU_TRAFFIC")), &QAction::triggered, this,
            &MainWindow::OpenTraffic);
    QMenu* help = menuBar()->addMenu(Text("IDS_MAINMENU_HELP"));
    connect(help->addAction(Text("IDS_MAINMENU_MANUAL")), &QAction::triggered, this,
            [this] { openManual(); });
    // The about item: the window system menu of the original; on Linux in the Help menu.
    connect(help->addAction(Text("IDS_MAINMENU_ABOUT")), &QAction::triggered, this, &MainWindow::ShowAbout);
    // F1 opens the manual; Escape asks as the close box does.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [this] { openManual(); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    connect(ui_->searchButton, &QPushButton::clicked, this,
            [this] { Search(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier)); });
    connect(ui_->gatewayList, &QComboBox::activated, this, [this](int index) {
        logic_->SelectGateway(index);
        Refresh();
    });
    connect(ui_->connectButton, &QPushButton::clicked, this, [this] {
        logic_->ToggleConnection();
        state_.gateway.store(logic_->Gateway());
        Refresh();
    });
    connect(ui_->discoverButton, &QPushButton::clicked, this, [this] {
        ui_->discoverButton->setEnabled(false);
        logic_->Discover();
        Refresh();
    });
    connect(ui_->multiSelect, &QCheckBox::toggled, this, [this](bool on) {
        if (refreshing_) return;
        logic_->SetMultiSelect(on);
        Refresh();
    });
    connect(ui_->nodeList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (refreshing_) return;
        const auto row = static_cast<size_t>(ui_->nodeList->indexOfTopLevelItem(item));
        if (item->checkState(0) == Qt::Checked)
            TickRow(row);
        else
            logic_->UntickRow(row);
        Refresh();
    });
    connect(ui_->nodeList, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (refreshing_) return;
        for (QTreeWidgetItem* item : ui_->nodeList->selectedItems())
            TickRow(static_cast<size_t>(ui_->nodeList->indexOfTopLevelItem(item)));
        Refresh();
    });
    connect(ui_->bitRateSet, &QPushButton::clicked, this, [this] {
        logic_->SetCanBitRate(ui_->bitRateList->currentIndex());
        Refresh();
    });
    connect(ui_->gatewayNumberSet, &QPushButton::clicked, this, [this] {
        logic_->SetGatewayNumber(ui_->gatewayNumber->value());
        Refresh();
    });
    connect(ui_->factoryReset, &QPushButton::clicked, this, [this] {
        logic_->FactoryReset();
        Refresh();
    });
    connect(ui_->commandSend, &QPushButton::clicked, this, &MainWindow::SendCommand);
    connect(ui_->sendButton, &QPushButton::clicked, this, &MainWindow::SendHistory);
    connect(ui_->ioModule, &QPushButton::clicked, this, [this] { OpenDevice<IoModuleDialog>(); });
    connect(ui_->kyd0606Button, &QPushButton::clicked, this, [this] { OpenDevice<Kyd0606Dialog>(); });
    connect(ui_->liquidLevelButton, &QPushButton::clicked, this, [this] { OpenDevice<LevelDialog>(); });
    connect(ui_->rfidButton, &QPushButton::clicked, this, [this] { OpenDevice<RfidDialog>(); });
    connect(ui_->temperatureButton, &QPushButton::clicked, this, [this] { OpenDevice<TemperatureDialog>(); });
    connect(ui_->showReturn, &QCheckBox::toggled, this, [this] { ApplyLanguage(); });
    connect(ui_->notify, &QCheckBox::toggled, this, &MainWindow::SetNotify);
    connect(ui_->clearReturn, &QPushButton::clicked, this, [this] {
        returnPane_.Clear();
        ui_->returnPane->clear();
    });
    connect(ui_->clearNotices, &QPushButton::clicked, this, [this] {
        noticePane_.Clear();
        ui_->noticePane->clear();
    });
    connect(ui_->utilityButton, &QPushButton::clicked, this, &MainWindow::ShowUtilityMenu);
    connect(ui_->expandButton, &QPushButton::toggled, this, [this](bool on) {
        const bool ticked = logic_->SetExpanded(on);
        ApplyFold();
        ApplyImages();
        Refresh();
        if (ticked) panel_->ExpandQueries();
    });
    InstallEnterRouting();

    ApplyLook();
    SetUpPlot();
    ApplyLanguage();
    Refresh();
    ApplyFold();  // the window starts folded
}

void MainWindow::ApplyLook() {
    const auto colour = [](const int(&rgb)[3]) { return QColor(rgb[0], rgb[1], rgb[2]); };
    const auto css = [](const int(&rgb)[3]) {
        return QString("rgb(%1, %2, %3)").arg(rgb[0]).arg(rgb[1]).arg(rgb[2]);
    };
    for (QWidget* widget : findChildren<QWidget*>()) {
        const int id = widget->property("controlId").toInt();
        if (std::count(SectionTitles().begin(), SectionTitles().end(), id) != 0) {
            // Group titles only: a palette on the box would colour every label inside it.
            if (auto* group = qobject_cast<QGroupBox*>(widget))
                group->setStyleSheet(
                    QString("QGroupBox#%1::title { color: %2; background: %3; }")
                        .arg(group->objectName(), css(kTitleColour), css(kSectionBackground)));
            else
                widget->setStyleSheet(
                    QString("color: %1; background: %2;").arg(css(kTitleColour), css(kSectionBackground)));
        } else if (std::count(FilledGroups().begin(), FilledGroups().end(), id) != 0) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Window, colour(kSectionBackground));
            widget->setPalette(palette);
            widget->setAutoFillBackground(true);
        }
    }
}

void MainWindow::ApplyFold() {
    // The panel is one column: folding hides the expanded-only sections (motor parameters, special
    // parameters, sensors) and the column closes up; the window keeps its size.
    const bool expanded = ui_->expandButton->isChecked();
    for (QWidget* widget : findChildren<QWidget*>())
        if (widget->property("expandedOnly").toBool()) widget->setVisible(expanded);
}

void MainWindow::InstallEnterRouting() {
    // Every edit carrying a control id, and the edit line inside editable combo boxes.
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (!widget->property("controlId").isValid()) continue;
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget))
            widget->installEventFilter(this);
        // An editable combo box keeps the focus itself and hands keys to its edit line directly
        // (past any filter on the line): Enter is caught on the box, and on the line for keys
        // sent to it.
        if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit()) {
            combo->installEventFilter(this);
            combo->lineEdit()->installEventFilter(this);
        }
    }
}

bool MainWindow::RouteEnter(QObject* watched) {
    // The control id is on the edit itself or, for a combo box's edit line, on its parent.
    int id = 0;
    for (QObject* o = watched; o && o != this && id == 0; o = o->parent())
        id = o->property("controlId").toInt();
    switch (EnterActionFor(id)) {
        case EnterAction::SendCommand:
            SendCommand();
            break;
        case EnterAction::SendHistory:
            SendHistory();
            break;
        case EnterAction::Refresh:
            Refresh();
            break;
        case EnterAction::PanelCommand:
            if (panelEnter_) panelEnter_(id);
            break;
        case EnterAction::None:
            break;
    }
    return true;  // consumed: Enter never reaches a default button or closes anything
}

void MainWindow::ApplyImages() {
    // Images/<name>.bmp beside the program; a missing file leaves the button without image.
    auto image = [this](const char* name) {
        return QIcon(QString::fromStdString(programDir_ + "/Images/" + name + ".bmp"));
    };
    auto twoState = [](bool on, const char* first, const char* second) { return on ? first : second; };
    const std::map<int, const char*> fixed{{1015, "20"}, {1002, "14"}, {1003, "13"}, {1057, "23"},
                                           {1060, "23"}, {1031, "9"},  {1065, "9"},  {1062, "8"}};
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        const int id = button->property("controlId").toInt();
        const QString key = button->property("languageKey").toString();
        const char* name = nullptr;
        if (const auto found = fixed.find(id); found != fixed.end())
            name = found->second;
        else if (key == "IDS_SET")
            name = "3";
        else if (key == "IDS_QUERY")
            name = "4";
        if (name) button->setIcon(image(name));
    }
    ui_->notify->setIcon(image(twoState(ui_->notify->isChecked(), "17", "_17")));
    ui_->showReturn->setIcon(image(twoState(ui_->showReturn->isChecked(), "17", "_17")));
    ui_->expandButton->setIcon(image(twoState(ui_->expandButton->isChecked(), "1", "_1")));
    ui_->runButton->setIcon(image("12"));
    ui_->enaButton->setIcon(image("8"));
    ui_->offButton->setIcon(image("_8"));
}

MainWindow::~MainWindow() {
    // Nothing of this window may run after it is gone: no plot, monitor, notice, script or sleep.
    plot_.reset();
    monitor_->Stop();
    notice_relay::Detach();
    sdk_.KYMRegRtcnCallBack(0, nullptr, nullptr);
    sleeper_.Shutdown();
    scripts_->Stop();
    scripts_.reset();
}

QString MainWindow::Text(const char* key) const {
    return QString::fromStdString(language_.Lookup(key));
}

void MainWindow::ApplyLanguage() {
    for (QWidget* widget : findChildren<QWidget*>()) {
        const QVariant key = widget->property("languageKey");
        if (!key.isValid()) continue;
        const QString text = QString::fromStdString(language_.Lookup(key.toString().toStdString()));
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(text);
        else if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            group->setTitle(text);
    }
    // Two-state texts follow the state.
    ui_->connectButton->setText(Text(logic_ ? logic_->ConnectKey() : "IDC_CONNECT_DEVICE"));
    ui_->showReturn->setText(Text(ui_->showReturn->isChecked() ? "IDC_NOT_SHOW_RTNMSG" : "IDC_SHOW_RTNMSG"));
    ui_->notify->setText(Text(ui_->notify->isChecked() ? "IDC_RTCN_NOT_NOTIFY" : "IDC_RTCN_NOTIFY"));
    ui_->nodeList->setHeaderLabels({Text("IDS_SiteID"), Text("IDS_Model"), Text("IDS_Firmware")});
    for (QWidget* widget : findChildren<QWidget*>()) {
        const auto tip = ToolTipKeys().find(widget->property("controlId").toInt());
        if (tip != ToolTipKeys().end()) widget->setToolTip(Text(tip->second));
    }
    ApplyImages();
    if (panel_) panel_->Sync();
}

void MainWindow::Refresh() {
    refreshing_ = true;
    // Every handler that may have read or written MCFG ends here.
    logic_->McfgChanged();
    const ControlStates& controls = logic_->Controls();
    for (QWidget* widget : findChildren<QWidget*>()) {
        const QVariant id = widget->property("controlId");
        if (id.isValid()) widget->setEnabled(controls.Enabled(id.toInt()));
    }
    const auto names = logic_->GatewayNames();
    ui_->gatewayList->clear();
    for (const std::string& name : names) ui_->gatewayList->addItem(QString::fromStdString(name));
    ui_->gatewayList->setCurrentIndex(logic_->SelectedGateway());
    ui_->connectButton->setText(Text(logic_->ConnectKey()));
    ui_->baudList->clear();
    for (const std::string& baud : logic_->BaudList()) ui_->baudList->addItem(QString::fromStdString(baud));
    ui_->baudList->setCurrentIndex(logic_->BaudSelection());
    ui_->bitRateList->setCurrentIndex(logic_->BitRateSelection());
    ui_->gatewayNumber->setValue(logic_->GatewayNumber());
    ui_->multiSelect->setChecked(logic_->Nodes().MultiSelect());
    RefreshNodeList();
    RefreshPlot();
    if (panel_) panel_->Sync();
    refreshing_ = false;
}

void MainWindow::TickRow(size_t row) {
    if (!logic_->TickRow(row)) return;
    Refresh();  // the panel's queries see the controls enabled for the node
    panel_->ControllerTicked(logic_->Expanded());
}

void MainWindow::RefreshNodeList() {
    const auto& rows = logic_->Nodes().Rows();
    QTreeWidget* list = ui_->nodeList;
    if (list->topLevelItemCount() != static_cast<int>(rows.size())) {
        list->clear();
        for (const NodeRow& row : rows) {
            auto* item =
                new QTreeWidgetItem(list, {QString::number(row.id), QString::fromStdString(row.model),
                                           QString::fromStdString(row.firmware)});
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        }
    }
    for (size_t i = 0; i < rows.size(); ++i)
        list->topLevelItem(static_cast<int>(i))
            ->setCheckState(0, rows[i].ticked ? Qt::Checked : Qt::Unchecked);
}

void MainWindow::Search(bool leftShift) {
    logic_->Search(leftShift);
    Refresh();
}

void MainWindow::ConnectFirstGateway() {
    Search(false);
    if (logic_->GatewayNames().empty()) return;
    logic_->ToggleConnection();
    state_.gateway.store(logic_->Gateway());
    if (logic_->Connected()) logic_->Discover();
    Refresh();
}

// The device dialogs address the first ticked node of the connected gateway; with no ticked node
// the button does nothing.
template <typename Dialog>
void MainWindow::OpenDevice() {
    const auto node = logic_->Nodes().FirstTicked();
    if (!node) return;
    Dialog dialog(DeviceTarget{sdk_, language_, messages_, logic_->Gateway(), static_cast<uint32_t>(*node)},
                  this);
    deviceDialog_ = &dialog;
    dialog.exec();
    deviceDialog_ = nullptr;
}

void MainWindow::OpenGatewaySearch() {
    GatewaySearchDialog dialog(
        sdk_, language_, messages_, logic_->ReadSearchParameters(), SystemComNumbers(),
        [this] {
            logic_->CloseForForcedStop();
            state_.gateway.store(logic_->Gateway());
            Refresh();
        },
        this);
    deviceDialog_ = &dialog;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    deviceDialog_ = nullptr;
    if (accepted) logic_->WriteSearchParameters(dialog.Params());
}

void MainWindow::SendCommand() {
    const std::string text = ui_->commandEdit->text().toStdString();
    interpreter_->RunText(text, logic_->Nodes().FirstTicked().value_or(0));
    ui_->commandEdit->clear();
}

void MainWindow::SendHistory() {
    interpreter_->RunText(ui_->commandBox->currentText().toStdString(),
                          logic_->Nodes().FirstTicked().value_or(0));
}

void MainWindow::AddLogLine(const std::string& line) {
    returnPane_.Add(line);
    ui_->returnPane->setPlainText(QString::fromStdString(returnPane_.Text()).replace("\r\n", "\n"));
}

void MainWindow::AddNotice(const std::string& line) {
    noticePane_.Prepend(line);
    ui_->noticePane->setPlainText(QString::fromStdString(noticePane_.Text()).replace("\r\n", "\n"));
}

void MainWindow::SetNotify(bool on) {
    notices_.SetShowing(on);
    if (on)
        sdk_.KYMRegRtcnCallBack(0, reinterpret_cast<void*>(static_cast<uintptr_t>(logic_->Gateway())),
                                &notice_relay::Callback);
    ApplyLanguage();
}

void MainWindow::ShowUtilityMenu() {
    QMenu menu(this);
    connect(menu.addAction(kSerialTool), &QAction::triggered, this, [this] {
        if (logic_->Connected()) {
            if (messages_.Ask(language_.Lookup("IDS_WARING"),
                              language_.Lookup("IDS_STATIC_DISCONNECT_CONFIRM")) != Answer::Yes)
                return;
            logic_->ToggleConnection();
            Refresh();
        }
        // The serial tool is a separate program; nothing is said when it is not installed.
        QProcess::startDetached(QString::fromStdString(programDir_ + "/" + kSerialTool), {});
    });
    connect(menu.addAction(scripts_->Running() ? "KYM StopScript" : "KYM LoadScript"), &QAction::triggered,
            this, [this] {
                if (scripts_->Running()) {
                    scripts_->Stop();
                    return;
                }
                LoadScript();
            });
    connect(menu.addAction("KYM Para BatchWriter"), &QAction::triggered, this,
            [this] { registers_->BatchWriter(); });
    menu.addSeparator();
    connect(menu.addAction("Help"), &QAction::triggered, this, [this] { openManual(); });
    menu.exec(ui_->utilityButton->mapToGlobal(QPoint(0, ui_->utilityButton->height())));
}

void MainWindow::LoadScript() {
    // Script files are text files; every file may still be chosen.
    const QString filter = Text("IDS_SCRIPT_FILE_FILTER") + ";;" + Text("IDS_ALL_TEXT_FILES_FILTER");
    const QString file = chooseScript(filter);
    if (file.isEmpty()) return;
    // The window waits a second after the start, so the script's first lines are under way
    // before the operator acts again.
    if (scripts_->StartFile(file.toStdString()) == ScriptRunner::Start::Started)
        sleeper_.SleepFor(kScriptStartPauseMs);
}

void MainWindow::ChooseLanguage(const std::string& name) {
    if (SaveLanguageChoice(programDir_, name)) {
        messages_.Inform(language_.Lookup("IDS_MAINMENU_LANGUAGE"),
                         language_.Lookup("IDS_LANGUAGE_NEXT_START"));
        return;
    }
    messages_.Show(language_.Lookup("IDS_ERR"), language_.Lookup("IDS_LANGUAGE_SAVE_FAILED"));
}

void MainWindow::OpenTraffic() {
    if (traffic_ == nullptr) traffic_ = new TrafficWindow(sdk_, language_, this);
    traffic_->show();
    traffic_->raise();
    traffic_->activateWindow();
}

void MainWindow::ShowAbout() {
    QMessageBox box(QMessageBox::Information, Text("IDS_ABOUT_TITLE"),
                    Text("IDS_ABOUT_TEXT") + "\n" + Text("IDS_ABOUT_VERSION") + " " + NORVANE_VERSION,
                    QMessageBox::Ok | QMessageBox::Help, this);
    box.button(QMessageBox::Ok)->setText(Text("IDS_IDOK"));
    box.button(QMessageBox::Help)->setText(Text("IDS_ABOUT_HELP"));
    if (box.exec() == QMessageBox::Help) openManual();
}

void MainWindow::OpenManual() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(programDir_ + "/" + kManual)));
}

void MainWindow::ExitFromMenu() {
    exiting_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    if (messages_.Ask(language_.Lookup("IDS_WARING"), language_.Lookup("IDS_CONFIRM_EXIT_APP")) !=
        Answer::Yes) {
        event->ignore();
        return;
    }
    logic_->CloseForExit();
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return RouteEnter(watched);
    }
    return QMainWindow::eventFilter(watched, event);
}

int RunWindow(int argc, char** argv, const std::string& programDir, const WindowOptions& options) {
    QApplication app(argc, argv);
    Language language;
    QWidget none;
    QtMessages startMessages(&none);
    language.Load(programDir, {}, startMessages);
    SdkLibrary sdk;
    if (!BindSdkOrExplain(sdk, language, startMessages)) return 1;
    if (options.ethernetPort) sdk.Table().SetEthernetServerPort(*options.ethernetPort);
    int status = 0;
    {
        MainWindow window(sdk.Table(), language, programDir);
        window.show();
        if (options.connect)
            QMetaObject::invokeMethod(
                &window, [&window] { window.ConnectFirstGateway(); }, Qt::QueuedConnection);
        status = app.exec();
    }
    sdk.Release();
    return status;
}

}  // namespace norvane::bench
