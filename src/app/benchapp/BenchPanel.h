// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabBar;
class QTableWidget;
class QTimer;

namespace rfbind::bench {
class Bench;
}

namespace rfbind::app {

/// The virtual hardware beside the station window: plug and unplug the receiver, switch the
/// transmitters, move the mouse, press the keyboard's bind button, switch faults, and watch
/// both EEPROMs live.
///
/// On a gang bench the panel holds every slot's box: a row of slot tabs above the controls
/// picks the box they act on and show, so eight boxes take no more room than one.
class BenchPanel : public QWidget {
    Q_OBJECT

public:
    explicit BenchPanel(bench::Bench& bench, QWidget* parent = nullptr);
    /// A gang bench's boxes, slot 1's first; the benches must outlive the panel.
    explicit BenchPanel(std::vector<bench::Bench*> boxes, QWidget* parent = nullptr);

    /// The slot (1-based) whose box the controls act on.
    int slot() const { return slot_; }
    /// Turns the controls to slot `slot`'s box.
    void showSlot(int slot);

    /// Puts a button "Bench panel" (object name "btnBenchPanel") on the station window that
    /// shows this panel again once it was closed. For the bench program only: the station on
    /// real devices has no bench.
    QPushButton* offerOn(QWidget* station);

private:
    bench::Bench& box() const { return *boxes_[static_cast<std::size_t>(slot_ - 1)]; }
    void refresh();
    void applyFaults();
    void showFaults();

    std::vector<bench::Bench*> boxes_;
    int slot_ = 1;
    /// The box whose mouse the "move" button holds moving, until it is released.
    bench::Bench* moving_ = nullptr;
    QTabBar* slots_ = nullptr;
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
