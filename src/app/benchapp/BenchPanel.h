// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace rfbind::bench {
class Bench;
}

namespace rfbind::app {

/// The virtual hardware beside the station window: plug and unplug the receiver, switch the
/// transmitters, move the mouse, press the keyboard's bind button, switch faults, and watch
/// both EEPROMs live.
class BenchPanel : public QWidget {
    Q_OBJECT

public:
    explicit BenchPanel(bench::Bench& bench, QWidget* parent = nullptr);

    /// Puts a button "Bench panel" (object name "btnBenchPanel") on the station window that
    /// shows this panel again once it was closed. For the bench program only: the station on
    /// real devices has no bench.
    QPushButton* offerOn(QWidget* station);

private:
    void refresh();
    void applyFaults();

    bench::Bench& bench_;
    QPushButton* plug_ = nullptr;
    QPushButton* mouseOn_ = nullptr;
    QPushButton* move_ = nullptr;
    QPushButton* keyboardOn_ = nullptr;
    QCheckBox* txOff_ = nullptr;
    QCheckBox* noMove_ = nullptr;
    QCheckBox* neverAck_ = nullptr;
    QCheckBox* ackLoss_ = nullptr;
    QLabel* state_ = nullptr;
    QTableWidget* rxEeprom_ = nullptr;
    QTableWidget* txEeprom_ = nullptr;
    QTimer* refresh_ = nullptr;
};

} // namespace rfbind::app
