// SPDX-License-Identifier: MIT
#pragma once

#include "StationServices.h"
#include "link/HidDevice.h"
#include "link/ReceiverIdTable.h"
#include "link/ReceiverLink.h"
#include "settings/Lang.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class QTimer;

namespace Ui {
class TForm1;
}

namespace rfbind::app {

class TForm2;

/// The station's main window. It owns all station state; the controls are the store of
/// settings and results, and its handlers are glue between the controls and the core.
/// Handlers are grouped by concern into TForm1_*.cpp files.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    /// Creates the window and runs the start-up sequence (FormCreate).
    explicit TForm1(StationServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- start-up and lifecycle (TForm1.cpp) ------------------------------------------
    void FormCreate();
    void FormResize();
    /// PageDown starts the Go run while Go is enabled; the key is never consumed.
    void FormKeyDown(int key);
    /// Closing: timers off, settings saved, transmitter access left, process ended.
    void FormCloseQuery();

    /// Shown in the title bar only; 0..254.
    std::int32_t TempID = 0;
    /// Set while the window is being created: the settings writer does nothing meanwhile.
    bool FormCreating = false;
    /// 2 while settings load (and at start-up), 0 idle, 1 during the programming run.
    std::uint8_t RunMode = 2;
    /// Set only while the programming run binds a keyboard.
    bool BindFromRun = false;
    /// Base height from which the visible height is computed (the numbering panels change it).
    int windowHeight = 740;
    static constexpr int kWindowWidth = 900;

    TForm2* languageDialog() const { return form2_; }
    StationServices& services() { return services_; }

    // ---- device link (TForm1_Link.cpp) -------------------------------------------------
    ReceiverLink link;
    /// The device list: the objects behind the entries of DevListBox, owned until the next
    /// device change. link.ActiveDevice points into it.
    std::vector<std::unique_ptr<HidDevice>> deviceList;
    ReceiverIdTable receiverIdTable{};
    bool ZoomKeysAvailable = false;
    std::uint16_t ReceiverVersion = 0;
    int PrevMouseId = 0;
    int PrevKeyboardId = 0;
    bool LinkPollingSuspended = false;

    void JvHidDeviceController1DeviceChange();

    // ---- interface language (TForm1_Language.cpp) --------------------------------------
    TLanguateKind CurrentLanguage = lkEng;
    QString MessageText(int id) const;
    void LoadLanguage();
    void ApplyLanguage();
    void SaveLanguage();
    void cbbLangChange(int index);

protected:
    void closeEvent(class QCloseEvent* event) override;
    void resizeEvent(class QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadCustomLogo();

    StationServices& services_;
    Ui::TForm1* ui;
    TForm2* form2_ = nullptr;
    bool inResize_ = false;
    bool closing_ = false;
};

} // namespace rfbind::app
