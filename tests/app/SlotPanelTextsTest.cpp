// SPDX-License-Identifier: MIT
// What a gang station's slot says in its message boxes, in each of the station's languages.
#include "Dialogs.h"
#include "SlotPanel.h"
#include "production/RunOutcome.h"
#include "settings/Lang.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace rfbind;

TEST(SlotPanelTexts, MessagesAreInTheStationsLanguageWithEveryDetailFilledIn) {
    struct Language {
        TLanguateKind kind;
        const char* slotTwo; // how the text names slot 2
    };
    const Language languages[] = {{lkEng, "Slot 2:"}, {lkCht, "槽位 2："}, {lkChs, "槽位 2："}};
    struct Call {
        const char* name;
        std::function<void(app::SlotPanel&)> show;
        std::vector<QString> details; // what the text must hold besides the slot
        int fragment;                 // a message whose text the text holds as well; -1: none
    };
    RunOutcome unlogged;
    unlogged.logPath = "/data/rfbind/log.csv";
    unlogged.logError = "No space left on device";
    unlogged.rxSerial = "RX000042";
    unlogged.txSerial = "TX000042";
    const Call calls[] = {
        {"unit passed but not logged",
         [&](app::SlotPanel& p) {
             p.showRadioId("A1B2C3");
             p.showUnloggedUnit(unlogged);
         },
         {"/data/rfbind/log.csv", "No space left on device", "A1B2C3", "RX000042", "TX000042"},
         -1},
        {"receiver not permitted",
         [](app::SlotPanel& p) { p.showReceiverNotPermitted("USB 2.4G Wireless Desktop", "/dev/hidraw3"); },
         {"USB 2.4G Wireless Desktop", "/dev/hidraw3", "70-rfbind.rules"},
         -1},
        {"numbering not stored",
         [](app::SlotPanel& p) { p.showSettingsNotSaved("TX.ini is read-only"); },
         {"TX.ini is read-only"},
         -1},
        {"run refused for the numbering",
         [](app::SlotPanel& p) { p.showRunRefused(true, "TX.ini is read-only"); },
         {"TX.ini is read-only"},
         80},
        {"run refused for the log",
         [](app::SlotPanel& p) { p.showRunRefused(false, "log.csv cannot be opened"); },
         {"log.csv cannot be opened"},
         81},
    };
    const QRegularExpression unfilled(QStringLiteral("%[0-9]"));
    for (const Language& language : languages) {
        const auto text = [&language](int id) {
            const char* t = MessageText(id, language.kind);
            return t ? QString::fromUtf8(t) : QString();
        };
        for (const Call& call : calls) {
            SCOPED_TRACE(std::string(call.name) + " in " + LanguageName(language.kind));
            app::UnattendedDialogs dialogs;
            app::SlotPanel panel(2, dialogs, text);
            call.show(panel);
            ASSERT_EQ(dialogs.messages.size(), 1u);
            const QString shown = dialogs.messages.front().text;
            EXPECT_TRUE(shown.startsWith(QString::fromUtf8(language.slotTwo))) << shown.toStdString();
            EXPECT_FALSE(shown.contains(unfilled)) << shown.toStdString();
            for (const QString& detail : call.details)
                EXPECT_TRUE(shown.contains(detail)) << detail.toStdString() << " in " << shown.toStdString();
            if (call.fragment >= 0) {
                EXPECT_TRUE(shown.contains(text(call.fragment))) << shown.toStdString();
            }
            // Chinese operators are not shown the English sentence.
            if (language.kind != lkEng) {
                EXPECT_FALSE(shown.contains(QStringLiteral("could not")) ||
                             shown.contains(QStringLiteral("is plugged in")) ||
                             shown.contains(QStringLiteral("no unit is programmed")))
                    << shown.toStdString();
            }
        }
    }
}

// The slot's buttons and the binding's verdict speak the operator's language too, as the main
// window's Go and Connect do (without the shortcut eight slots could not share).
TEST(SlotPanelTexts, ButtonsAndTheBindingVerdictAreInTheStationsLanguage) {
    struct Row {
        TLanguateKind kind;
        const char* go;
        const char* connect;
        const char* paired;
    };
    const Row rows[] = {{lkEng, "Go", "Connect", "Connect Success"},
                        {lkCht, "設定", "連線", "連線成功"},
                        {lkChs, "设定", "对码", "对码成功"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(LanguageName(row.kind));
        app::UnattendedDialogs dialogs;
        app::SlotPanel panel(1, dialogs, [&row](int id) {
            const char* t = MessageText(id, row.kind);
            return t ? QString::fromUtf8(t) : QString();
        });
        const auto button = [&panel](const char* name) {
            return panel.findChild<QAbstractButton*>(name)->text();
        };
        EXPECT_EQ(button("btnGo"), QString::fromUtf8(row.go));
        EXPECT_EQ(button("btnCombo_Cmd_Soft_Bind_SW"), QString::fromUtf8(row.connect));
        panel.showBindingWatch(true);
        EXPECT_EQ(panel.resultText(), "Wait");
        panel.showBindingWatch(false);
        panel.showBindingVerdict(true);
        EXPECT_EQ(panel.findChild<QLabel*>("lblFailReason")->text(), QString::fromUtf8(row.paired));
        EXPECT_TRUE(dialogs.messages.empty()) << "the verdict stays in the slot";
    }
}
