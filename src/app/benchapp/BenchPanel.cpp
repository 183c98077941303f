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

BenchPanel::BenchPanel(bench::Bench& bench, QWidget* parent) : QWidget(parent), bench_(bench) {
    setObjectName("BenchPanel");
    setWindowTitle("rfbind bench");

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
    layout->addWidget(hardware, 0, 0);
    layout->addWidget(faults, 0, 1);
    layout->addWidget(state_, 1, 0, 1, 2);
    layout->addWidget(new QLabel("Receiver EEPROM (words, hex)", this), 2, 0, 1, 2);
    layout->addWidget(rxEeprom_, 3, 0, 1, 2);
    layout->addWidget(new QLabel("Mouse EEPROM (bytes, hex)", this), 4, 0, 1, 2);
    layout->addWidget(txEeprom_, 5, 0, 1, 2);

    connect(plug_, &QPushButton::clicked, this, [this] {
        bench_.receiverPlugged() ? bench_.unplugReceiver() : bench_.plugReceiver();
        refresh();
    });
    connect(fresh, &QPushButton::clicked, this, [this] {
        static std::uint32_t seed = 1000;
        bench_.freshUnit(++seed);
        refresh();
    });
    connect(mouseOn_, &QPushButton::clicked, this, [this] {
        bench_.switchMouse(!bench_.mouse().switchedOn());
        refresh();
    });
    connect(move_, &QPushButton::pressed, this, [this] { bench_.setMouseMoving(true); });
    connect(move_, &QPushButton::released, this, [this] { bench_.setMouseMoving(false); });
    connect(keyboardOn_, &QPushButton::clicked, this, [this] {
        if (const auto* kb = bench_.keyboard())
            bench_.switchKeyboard(!kb->switchedOn());
        refresh();
    });
    connect(bind, &QPushButton::clicked, this, [this] { bench_.pressKeyboardBindButton(); });

    // Bench time acts while the station is idle too (pairing window, the unplug fault), and the
    // views follow what the station writes.
    refresh_ = new QTimer(this);
    refresh_->setInterval(200);
    connect(refresh_, &QTimer::timeout, this, [this] {
        bench_.checkTime();
        refresh();
    });
    refresh_->start();

    const auto& f = bench_.faults();
    txOff_->setChecked(f.transmitterOff);
    noMove_->setChecked(f.mouseNeverMoves);
    neverAck_->setChecked(f.receiverNeverAcknowledges);
    ackLoss_->setChecked(f.ackLossProbability > 0);
    refresh();
}

void BenchPanel::applyFaults() {
    bench::BenchFaults f = bench_.faults();
    f.transmitterOff = txOff_->isChecked();
    f.mouseNeverMoves = noMove_->isChecked();
    f.receiverNeverAcknowledges = neverAck_->isChecked();
    f.ackLossProbability = ackLoss_->isChecked() ? 0.1 : 0.0;
    bench_.setFaults(f);
    refresh();
}

void BenchPanel::refresh() {
    // The station may be transferring on its own thread: the views show one moment of it.
    const auto held = bench_.hold();
    plug_->setText(bench_.receiverPlugged() ? "Unplug receiver" : "Plug in receiver");
    mouseOn_->setText(bench_.mouse().switchedOn() ? "Switch mouse off" : "Switch mouse on");
    const auto* kb = bench_.keyboard();
    keyboardOn_->setEnabled(kb != nullptr);
    keyboardOn_->setText(kb && kb->switchedOn() ? "Switch keyboard off" : "Switch keyboard on");
    const auto& rx = bench_.receiver();
    auto id = [](const auto& radioId) {
        QString s;
        for (auto b : radioId)
            s += QString("%1").arg(b, 2, 16, QChar('0')).toUpper();
        return s;
    };
    state_->setText(QString("Receiver %1 · own ID %2 · mouse ID %3 · keyboard ID %4 · "
                            "transfers %5")
                        .arg(bench_.receiverPlugged() ? "plugged in" : "unplugged")
                        .arg(id(rx.ownId()))
                        .arg(rx.mouseId())
                        .arg(rx.keyboardId())
                        .arg(bench_.featureTransfers()));
    for (int i = 0; i < 64; ++i)
        setCell(rxEeprom_, i, 8, QString("%1").arg(rx.eeprom()[i], 4, 16, QChar('0')).toUpper());
    for (int i = 0; i < 128; ++i)
        setCell(txEeprom_, i, 16,
                QString("%1").arg(bench_.mouse().eeprom()[i], 2, 16, QChar('0')).toUpper());
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
