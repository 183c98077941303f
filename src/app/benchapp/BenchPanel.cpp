// SPDX-License-Identifier: MIT
#include "benchapp/BenchPanel.h"

#include "bench/Bench.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace rfbind::app {

namespace {

QTableWidget* eepromTable(int rows, int columns, QWidget* parent) {
    auto* t = new QTableWidget(rows, columns, parent);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    t->setFont(mono);
    for (int c = 0; c < columns; ++c)
        t->setHorizontalHeaderItem(c, new QTableWidgetItem(QString("+%1").arg(c)));
    for (int r = 0; r < rows; ++r) {
        t->setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(r * columns)));
        for (int c = 0; c < columns; ++c)
            t->setItem(r, c, new QTableWidgetItem);
    }
    return t;
}

void setCell(QTableWidget* t, int index, int columns, const QString& text) {
    QTableWidgetItem* item = t->item(index / columns, index % columns);
    if (item->text() != text)
        item->setText(text);
}

} // namespace

BenchPanel::BenchPanel(bench::Bench& bench, QWidget* parent)
    : BenchPanel(std::vector<bench::Bench*>{&bench}, parent) {}

BenchPanel::BenchPanel(std::vector<bench::Bench*> boxes, QWidget* parent)
    : QWidget(parent), boxes_(std::move(boxes)) {
    setObjectName("BenchPanel");
    setWindowTitle("rfbind bench");

    // One tab per slot; a bench of one box has none.
    slots_ = new QTabBar(this);
    slots_->setObjectName("benchSlots");
    slots_->setExpanding(false);
    slots_->setDrawBase(false);
    for (std::size_t k = 1; k <= boxes_.size(); ++k) {
        const int tab = slots_->addTab(QString("Slot %1").arg(k));
        slots_->setTabToolTip(tab, QString::fromStdString(boxes_[k - 1]->options().receiverPortPath));
    }
    slots_->setVisible(boxes_.size() > 1);

    auto* hardware = new QGroupBox("Hardware", this);
    plug_ = new QPushButton(hardware);
    plug_->setObjectName("benchPlug");
    mouseOn_ = new QPushButton(hardware);
    mouseOn_->setObjectName("benchMouseOn");
    move_ = new QPushButton("Move the mouse (hold)", hardware);
    move_->setObjectName("benchMove");
    keyboardOn_ = new QPushButton(hardware);
    keyboardOn_->setObjectName("benchKeyboardOn");
    auto* bind = new QPushButton("Keyboard bind button", hardware);
    bind->setObjectName("benchKeyboardBind");
    auto* fresh = new QPushButton("Fresh unit", hardware);
    fresh->setObjectName("benchFreshUnit");
    auto* hw = new QGridLayout(hardware);
    hw->addWidget(plug_, 0, 0);
    hw->addWidget(fresh, 0, 1);
    hw->addWidget(mouseOn_, 1, 0);
    hw->addWidget(move_, 1, 1);
    hw->addWidget(keyboardOn_, 2, 0);
    hw->addWidget(bind, 2, 1);

    auto* faults = new QGroupBox("Faults", this);
    txOff_ = new QCheckBox("Mouse stays off", faults);
    noMove_ = new QCheckBox("Mouse never moves", faults);
    neverAck_ = new QCheckBox("Receiver never acknowledges", faults);
    ackLoss_ = new QCheckBox("10 % of acknowledgements lost", faults);
    auto* fl = new QVBoxLayout(faults);
    for (QCheckBox* b : {txOff_, noMove_, neverAck_, ackLoss_}) {
        fl->addWidget(b);
        connect(b, &QCheckBox::toggled, this, &BenchPanel::applyFaults);
    }

    state_ = new QLabel(this);
    state_->setObjectName("benchState");
    rxEeprom_ = eepromTable(8, 8, this);
    rxEeprom_->setObjectName("benchRxEeprom");
    txEeprom_ = eepromTable(8, 16, this);
    txEeprom_->setObjectName("benchTxEeprom");

    auto* layout = new QGridLayout(this);
    layout->addWidget(slots_, 0, 0, 1, 2);
    layout->addWidget(hardware, 1, 0);
    layout->addWidget(faults, 1, 1);
    layout->addWidget(state_, 2, 0, 1, 2);
    layout->addWidget(new QLabel("Receiver EEPROM (words, hex)", this), 3, 0, 1, 2);
    layout->addWidget(rxEeprom_, 4, 0, 1, 2);
    layout->addWidget(new QLabel("Mouse EEPROM (bytes, hex)", this), 5, 0, 1, 2);
    layout->addWidget(txEeprom_, 6, 0, 1, 2);

    connect(slots_, &QTabBar::currentChanged, this, [this](int index) { showSlot(index + 1); });
    connect(plug_, &QPushButton::clicked, this, [this] {
        box().receiverPlugged() ? box().unplugReceiver() : box().plugReceiver();
        refresh();
    });
    connect(fresh, &QPushButton::clicked, this, [this] {
        static std::uint32_t seed = 1000;
        box().freshUnit(++seed);
        refresh();
    });
    connect(mouseOn_, &QPushButton::clicked, this, [this] {
        box().switchMouse(!box().mouse().switchedOn());
        refresh();
    });
    // Released on the box it was pressed on, even if the slot changed meanwhile.
    connect(move_, &QPushButton::pressed, this, [this] {
        moving_ = &box();
        moving_->setMouseMoving(true);
    });
    connect(move_, &QPushButton::released, this, [this] {
        if (moving_ != nullptr)
            moving_->setMouseMoving(false);
        moving_ = nullptr;
    });
    connect(keyboardOn_, &QPushButton::clicked, this, [this] {
        if (const auto* kb = box().keyboard())
            box().switchKeyboard(!kb->switchedOn());
        refresh();
    });
    connect(bind, &QPushButton::clicked, this, [this] { box().pressKeyboardBindButton(); });

    // Bench time acts while the stations are idle too (pairing window, the unplug fault), in
    // every box, and the views follow what the station writes.
    refresh_ = new QTimer(this);
    refresh_->setInterval(200);
    connect(refresh_, &QTimer::timeout, this, [this] {
        for (bench::Bench* b : boxes_)
            b->checkTime();
        refresh();
    });
    refresh_->start();

    showFaults();
    refresh();
}

void BenchPanel::showSlot(int slot) {
    if (slot < 1 || slot > static_cast<int>(boxes_.size()) || slot == slot_)
        return;
    slot_ = slot;
    if (slots_->currentIndex() != slot - 1)
        slots_->setCurrentIndex(slot - 1);
    showFaults();
    refresh();
}

void BenchPanel::showFaults() {
    // The box's own faults: shown, not applied, so no box takes another's faults.
    const auto& f = box().faults();
    for (auto [check, on] : {std::pair{txOff_, f.transmitterOff}, std::pair{noMove_, f.mouseNeverMoves},
                             std::pair{neverAck_, f.receiverNeverAcknowledges},
                             std::pair{ackLoss_, f.ackLossProbability > 0}}) {
        const QSignalBlocker quiet(check);
        check->setChecked(on);
    }
}

void BenchPanel::applyFaults() {
    bench::BenchFaults f = box().faults();
    f.transmitterOff = txOff_->isChecked();
    f.mouseNeverMoves = noMove_->isChecked();
    f.receiverNeverAcknowledges = neverAck_->isChecked();
    f.ackLossProbability = ackLoss_->isChecked() ? 0.1 : 0.0;
    box().setFaults(f);
    refresh();
}

void BenchPanel::refresh() {
    // The station may be transferring on its own thread: the views show one moment of it.
    bench::Bench& shown = box();
    const auto held = shown.hold();
    plug_->setText(shown.receiverPlugged() ? "Unplug receiver" : "Plug in receiver");
    mouseOn_->setText(shown.mouse().switchedOn() ? "Switch mouse off" : "Switch mouse on");
    const auto* kb = shown.keyboard();
    keyboardOn_->setEnabled(kb != nullptr);
    keyboardOn_->setText(kb && kb->switchedOn() ? "Switch keyboard off" : "Switch keyboard on");
    const auto& rx = shown.receiver();
    auto id = [](const auto& radioId) {
        QString s;
        for (auto b : radioId)
            s += QString("%1").arg(b, 2, 16, QChar('0')).toUpper();
        return s;
    };
    const QString slot = boxes_.size() > 1 ? QString("Slot %1 (%2) · ").arg(slot_).arg(
                                                 QString::fromStdString(shown.options().receiverPortPath))
                                           : QString();
    state_->setText(slot + QString("Receiver %1 · own ID %2 · mouse ID %3 · keyboard ID %4 · "
                            "transfers %5")
                        .arg(shown.receiverPlugged() ? "plugged in" : "unplugged")
                        .arg(id(rx.ownId()))
                        .arg(rx.mouseId())
                        .arg(rx.keyboardId())
                        .arg(shown.featureTransfers()));
    for (int i = 0; i < 64; ++i)
        setCell(rxEeprom_, i, 8, QString("%1").arg(rx.eeprom()[i], 4, 16, QChar('0')).toUpper());
    for (int i = 0; i < 128; ++i)
        setCell(txEeprom_, i, 16,
                QString("%1").arg(shown.mouse().eeprom()[i], 2, 16, QChar('0')).toUpper());
}

QPushButton* BenchPanel::offerOn(QWidget* station) {
    auto* button = new QPushButton(QStringLiteral("Bench panel"), station);
    button->setObjectName(QStringLiteral("btnBenchPanel"));
    // In the free space between the logo and the link picture, clear of every station
    // control; not a focus stop, so Tab and Return keep their station meaning.
    button->setGeometry(455, 59, 100, 27);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(QStringLiteral("Show the simulated hardware again"));
    connect(button, &QPushButton::clicked, this, [this] {
        show();
        raise();
        activateWindow();
    });
    return button;
}

} // namespace rfbind::app
