// SPDX-License-Identifier: MIT
#include "TForm1.h"

#include "QtScheduler.h"
#include "QueuedStationView.h"
#include "SlotStrip.h"

#include "Dialogs.h"
#include "TForm2.h"
#include "link/HidDeviceController.h"
#include "platform/LanguageStore.h"
#include "platform/SingleInstance.h"
#include "ui_TForm1.h"
#include "widgets/FitTextToWidth.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>

#include <future>

namespace rfbind::app {

namespace {
constexpr auto kLogFolder = "Log";
constexpr auto kCustomLogo = "logo.bmp";
constexpr int kCustomLogoMaxWidth = 400;
constexpr int kCustomLogoMaxHeight = 60;
} // namespace

TForm1::TForm1(StationServices& services, QWidget* parent)
    : QWidget(parent), services_(services), scheduler_(std::make_unique<QtScheduler>(this)),
      ui(new Ui::TForm1) {
    ui->setupUi(this);
    // Close and minimise, no maximise: the window's size is fixed by its layout.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    FormCreate();
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    // The slots number from the station's generators: they end first.
    if (strip_ != nullptr) {
        atStation([this] { station_->shareNumbering(nullptr); });
        delete strip_;
        strip_ = nullptr;
    }
    if (stationThread_) {
        // No more device changes for this station; what was handed to it is done first.
        services_.devices.setDeviceChangeHandler({});
        atStation([] {});
        // The station's timers belong to its thread's scheduler: it ends there. It asks
        // nothing on its way out, so the window may simply wait.
        std::promise<void> ended;
        stationThread_->post([this, &ended] {
            station_.reset();
            ended.set_value();
        });
        ended.get_future().wait();
        stationThread_->stop();
    }
    station_.reset();
    delete ui;
}

Clock& TForm1::stationClock() {
    return stationThread_ ? stationThread_->clock() : services_.clock;
}

void TForm1::toStation(std::function<void()> work) {
    if (!stationThread_ || stationThread_->onStationThread())
        work();
    else
        stationThread_->post(std::move(work));
}

void TForm1::atStation(const std::function<void()>& work) {
    if (!stationThread_ || stationThread_->onStationThread()) {
        work();
        return;
    }
    // Shared with the station's thread, which may finish after a window closed meanwhile.
    auto done = std::make_shared<std::atomic<bool>>(false);
    stationThread_->post([this, &work, done] {
        work();
        *done = true;
        // Wakes the window's wait below.
        QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
    });
    while (!*done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TForm1::atIdleStation(const std::function<void()>& work) {
    // On the window's thread the handlers themselves wait for the end of a run (whenIdle).
    // On a gang station the slots draw from these generators meanwhile: the panels read and
    // change them with the numbering locked.
    if (!stationThread_ || stationThread_->onStationThread()) {
        station_->withGeneratorsLocked(work);
        return;
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    stationThread_->post([this, &work, done] {
        stationThread_->whenBetweenCommands([this, &work, done] {
            station_->whenIdle([this, &work, done] {
                station_->withGeneratorsLocked(work);
                *done = true;
                // Wakes the window's wait below.
                QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
            });
        });
    });
    while (!*done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TForm1::whenIdle(std::function<void()> action) {
    if (!stationThread_)
        station_->whenIdle(std::move(action));
    else if (!station_->runActive())
        action();
    else
        whenStationIdle(std::move(action));
}

void TForm1::whenStationIdle(std::function<void()> onWindow) {
    toStation([this, onWindow = std::move(onWindow)]() mutable {
        auto idle = [this, onWindow = std::move(onWindow)]() mutable {
            // Behind a run under way when the station takes this; behind the reports already
            // queued to the window in any case.
            station_->whenIdle([this, onWindow = std::move(onWindow)] {
                if (stationThread_)
                    QMetaObject::invokeMethod(this, onWindow, Qt::QueuedConnection);
                else
                    onWindow();
            });
        };
        // Taken in the pump of a device change, the station would be idle only half-way
        // through it: the window would press Go on a device list not yet rebuilt.
        if (stationThread_)
            stationThread_->whenBetweenCommands(std::move(idle));
        else
            idle();
    });
}

void TForm1::FormCreate() {
    TempID = static_cast<std::int32_t>(QRandomGenerator::global()->bounded(255));
    FormCreating = true;
    // The station exists before any handler can reach it; it takes the device changes from
    // here on.
    if (services_.stationThread) {
        stationThread_ = std::make_unique<StationThread>(&services_.clock);
        queuedView_ = std::make_unique<QueuedStationView>(static_cast<StationView&>(*this), this);
        station_ = std::make_unique<Station>(services_.devices, stationThread_->clock(),
                                             *stationThread_, *queuedView_,
                                             services_.radioIdSource);
        // The station takes a device change on its own thread. A controller whose hot-plug
        // events are taken there raises it there: the station takes it at once, before anything
        // queued behind the rescan (a bench operator waiting for the plug-in to be taken).
        services_.devices.setDeviceChangeHandler(
            [this] { toStation([this] { station_->deviceChange(); }); });
        stationThread_->start();
    } else {
        station_ = std::make_unique<Station>(services_.devices, services_.clock, *scheduler_,
                                             static_cast<StationView&>(*this),
                                             services_.radioIdSource);
    }
    // Handlers and the link timers exist before anything below can fire them.
    connectDeviceCommands();
    connectSettingsAndNumbering();

    setWindowTitle(windowTitle() + " TempID=" + QString::number(TempID));
    baseTitle_ = windowTitle();

    // Before the window reads or writes anything: an older copy saves its settings as it
    // closes, and this copy starts from them; it opens the receiver once the older one let go.
    if (services_.singleInstance)
        SingleInstance::endOtherCopies(SingleInstance::currentExecutableName(),
                                       services_.otherCopyCounts);

    // One level only; a failure shows up when the first passed unit is logged.
    QDir().mkdir(kLogFolder);

    ui->lblResult->clear();
    ui->Image1->hide();
    new FitTextToWidth(ui->lblResult);
    fitUsbInfoFields();

    form2_ = new TForm2(this);
    // While the language dialog is open the link tests leave the receiver alone.
    form2_->installEventFilter(this);
    LoadLanguage();

    // Key preview: PageDown must reach the Go handler whichever control has the focus, and
    // spin boxes and combo boxes would otherwise swallow it.
    qApp->installEventFilter(this);

    ui->edtEEPROM_20->clear();
    ui->edtMseDongleAddr->clear();
    ui->edtTX_SN->clear();
    ui->edtRX_SN->clear();
    ui->lblRX_Date->clear();
    ui->lblTX_Date->clear();

    FillHotKeyLists();

    for (QWidget* w : {static_cast<QWidget*>(ui->gb1), static_cast<QWidget*>(ui->gbRX),
                       static_cast<QWidget*>(ui->gbTX), static_cast<QWidget*>(ui->edtMseDongleAddr),
                       static_cast<QWidget*>(ui->edtTX_SN), static_cast<QWidget*>(ui->edtRX_SN),
                       static_cast<QWidget*>(ui->lbl14), static_cast<QWidget*>(ui->lbl55),
                       static_cast<QWidget*>(ui->Label2)})
        w->hide();

    // The three link pictures share one spot; only visibility decides which one shows.
    ui->imgConnected->move(ui->gifBind->pos());
    ui->imgNoneDev->move(ui->gifBind->pos());

    loadCustomLogo();

    ui->cbRF_Set_BTY_Low_Level->clear();
    ui->cbRF_Set_BTY_Low_Level->addItems({"Set BTY Low Level: VBAT <= 2.2V",
                                          "Set BTY Low Level: VBAT <= 2.0V",
                                          "Set BTY Low Level: VBAT <= 1.8V"});
    ui->cbRF_Set_BTY_Low_Level->setCurrentIndex(2);

    windowHeight_ = 740;
    FormResize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
    }
    ui->pbSetTX->setGeometry(0, ui->pbSetTX->y(), width(), ui->pbSetTX->height());

    // The start-up broadcast: the device list is complete before the settings load.
    toStation([this, mouse = ui->rbMSE->isChecked()] { station_->setDeviceType(mouse); });
    services_.devices.rescan(true);

    ui->ComboRFPower->setCurrentIndex(3);

    btnLoadSettingClick();
    RefreshNumbering();
    cbRX_IsSNClick(ui->cbRX_IsSN);

    openLine();
    if (services_.stationSlots.gang() &&
        static_cast<int>(services_.slotSources.size()) >= services_.stationSlots.count)
        createSlotStrip();

    update();
    FormCreating = false;
}

void TForm1::createSlotStrip() {
    std::vector<SlotStrip::SlotSource> sources;
    for (const auto& s : services_.slotSources)
        sources.push_back({s.devices, s.time});
    // The slots number from the generators the settings load gave the station: one numbering,
    // shown and stored by the window as before. On a line they draw from the station's
    // leases, under its name. All of it belongs to the station's thread and is read there.
    struct FromStation {
        TProdSN* rxSN;
        TProdSN* txSN;
        TProdRFID* rxRFID;
        TProdRFID* txRFID;
        NumberSource* line;
        std::string name;
    };
    const FromStation s = fromStation([this] {
        return FromStation{station_->rxSN().get(), station_->txSN().get(), station_->rxRFID().get(),
                           station_->txRFID().get(), station_->line(), station_->stationName()};
    });
    strip_ = new SlotStrip(services_.stationSlots, std::move(sources),
                           NumberingGenerators{*s.rxSN, *s.txSN, *s.rxRFID, *s.txRFID}, s.line,
                           services_.dialogs, [this](int id) { return MessageText(id); },
                           services_.radioIdSource, this);
    atStation([this] { station_->shareNumbering(&strip_->numbering()); });
    connect(strip_, &SlotStrip::goRequested, this,
            [this](int slot) { strip_->go(slot, unitRecipe()); });
    connect(strip_, &SlotStrip::connectRequested, this,
            [this](int slot) { strip_->connectTransmitter(slot, receiverFilter()); });
    // The strip takes the place of the one unit's result, Go and progress.
    ui->gbGo->hide();
    ui->pbSetTX->hide();
    // Each slot binds its own box with its own Connect; the station itself works no receiver.
    ui->btnCombo_Cmd_Soft_Bind_SW->hide();
    strip_->show();
    FormResize();
    strip_->start(s.name);
}

void TForm1::fitUsbInfoFields() {
    // The stored group is too low for edit boxes under its caption: they stuck out of its
    // frame above and below. It grows upward into the free margin, and its fields move into
    // the frame; nothing else moves.
    constexpr int kGrowth = 5;
    QWidget* group = ui->gbSysStatus;
    group->setGeometry(group->x(), group->y() - kGrowth, group->width(),
                       group->height() + kGrowth);
    for (QWidget* w : {static_cast<QWidget*>(ui->lblVID), static_cast<QWidget*>(ui->edtVID),
                       static_cast<QWidget*>(ui->lblPID), static_cast<QWidget*>(ui->edtPID)})
        w->move(w->x(), w->y() + (qobject_cast<QLabel*>(w) ? 3 : 4));
}

void TForm1::loadCustomLogo() {
    ui->imgCust->hide();
    if (QFileInfo::exists(kCustomLogo)) {
        const QImage logo(kCustomLogo);
        if (!logo.isNull()) {
            // The picture sizes its panel; one larger than the space beside the title stays
            // loaded but hidden.
            ui->imgCust->setPixmap(QPixmap::fromImage(logo));
            ui->imgCust->resize(logo.size());
            ui->imgCust->setAttribute(Qt::WA_TranslucentBackground);
            if (logo.width() <= kCustomLogoMaxWidth && logo.height() <= kCustomLogoMaxHeight)
                ui->imgCust->show();
        }
    }
    ui->imgLogo->setVisible(!ui->imgCust->isVisibleTo(this));
}

void TForm1::FormResize() {
    if (inResize_)
        return;
    inResize_ = true;
    // The hidden numbering panels still count: the window's height follows their heights.
    const int h = windowHeight_ - ui->gb1->height() - ui->gbRX->height() - ui->gbTX->height();
    if (strip_ != nullptr) {
        // The slots stand where the one unit's result stood. A strip wider than that place
        // goes below the right-hand column too, and the window grows as wide as it needs.
        const QRect place = ui->gbGo->geometry();
        int top = h - place.height() - ui->pbSetTX->height();
        const int stripWidth = std::max(place.width(), kSlotWidth * strip_->count());
        if (stripWidth > place.width())
            for (bool moved = true; moved;) {
                moved = false;
                for (const QWidget* w : findChildren<QWidget*>()) {
                    if (w == strip_ || strip_->isAncestorOf(w) || !w->isVisibleTo(this))
                        continue;
                    const QRect r(w->mapTo(this, QPoint(0, 0)), w->size());
                    if (r.right() > place.right() && r.bottom() >= top &&
                        r.top() < top + kSlotStripHeight) {
                        top = r.bottom() + 4;
                        moved = true;
                    }
                }
            }
        strip_->setGeometry(place.x(), top, stripWidth, kSlotStripHeight);
        setFixedSize(std::max(kWindowWidth, place.x() + stripWidth + 10),
                     top + kSlotStripHeight + 6);
        inResize_ = false;
        return;
    }
    setFixedSize(kWindowWidth, h);
    ui->gbGo->move(ui->gbGo->x(), h - ui->gbGo->height() - ui->pbSetTX->height());
    ui->pbSetTX->move(ui->pbSetTX->x(), h - ui->pbSetTX->height());
    inResize_ = false;
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

bool TForm1::FormKeyDown(int key) {
    if (key != Qt::Key_PageDown)
        return false;
    // The key that starts a run belongs to the run: passed on, it would also page the focused
    // list or spin box (another language, a Sleep Period of 46 instead of 56, saved and
    // programmed into every later unit). A press during a run is swallowed the same way.
    if (runActive())
        return true;
    if (!ui->btnGo->isEnabled())
        return false;
    ui->btnGo->click();
    return true;
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Return reaches the window only when the focused control had no use for it: then it
    // presses Go, as the window's default button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && ui->btnGo->isEnabled() && !runActive()) {
        ui->btnGo->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form2_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        toStation([this, held = event->type() == QEvent::Show] { station_->holdLinkTests(held); });
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // An unhandled key travels up the parents as a new event: look at it only where it
        // first arrives (the focus widget, or the window itself when nothing has the focus),
        // and only for this window, not for a dialog in front of it.
        QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (w == first && w->window() == this && FormKeyDown(static_cast<QKeyEvent*>(event)->key()))
            return true; // PageDown started (or met) a run: the control never sees it
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The slots' runs end at their next step; the strip waits for them as it goes.
    if (strip_ != nullptr)
        strip_->requestClose();
    if (station_->runActive()) {
        // The run lets window messages run, so the close arrives in its middle: it ends at its
        // next step (FAIL, nothing logged, numbering untouched, access mode left), and the
        // window closes for real once it has (restoreAfterRun).
        station_->requestClose();
        event->ignore();
        return;
    }
    event->accept();
    FormCloseQuery();
}

void TForm1::FormCloseQuery() {
    if (closing_)
        return;
    closing_ = true;
    atStation([this] { station_->stopTimers(); });
    btnWriteSettingClick();
    atStation([this] {
        // A transmitter left in access mode keeps its LED lit and drains its battery.
        if (station_->hasReceiver())
            station_->transmitter().leaveAccess();
        stationClock().sleepMs(50);
    });
    if (services_.quit)
        services_.quit(0);
}

} // namespace rfbind::app
