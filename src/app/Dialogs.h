// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace rfbind::app {

class TForm2;

/// Every modal conversation the station has with a person goes through here, so that a
/// headless bench run or a test never waits for one.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Error };

    virtual ~Dialogs() = default;

    /// A modal box with one "OK" button.
    virtual void message(QWidget* parent, const QString& caption, const QString& text,
                         Icon icon) = 0;

    /// The access-code prompt (caption "Setting", prompt "PASSWORD:", masked). The typed text,
    /// or nothing when the supervisor pressed Cancel.
    virtual std::optional<QString> password(QWidget* parent) = 0;

    /// Shows the first-start language dialog modally with `preselected` chosen; the index the
    /// operator confirmed.
    virtual int chooseLanguage(TForm2& dialog, int preselected) = 0;
};

/// The real conversations: modal Qt dialogs.
class ModalDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& caption, const QString& text, Icon icon) override;
    std::optional<QString> password(QWidget* parent) override;
    int chooseLanguage(TForm2& dialog, int preselected) override;
};

/// No person at hand (headless bench runs, tests): remembers what would have been shown and
/// answers with the dialog's default, or with what a test scripted.
class UnattendedDialogs : public Dialogs {
public:
    struct Shown {
        QString caption;
        QString text;
        Icon icon;
    };

    void message(QWidget*, const QString& caption, const QString& text, Icon icon) override {
        messages.push_back({caption, text, icon});
    }
    std::optional<QString> password(QWidget*) override {
        ++passwordPrompts;
        return nextPassword;
    }
    int chooseLanguage(TForm2&, int preselected) override {
        ++languagePrompts;
        return languageAnswer.value_or(preselected);
    }

    std::vector<Shown> messages;
    int passwordPrompts = 0;
    int languagePrompts = 0;
    std::optional<QString> nextPassword; ///< nothing = Cancel
    std::optional<int> languageAnswer;   ///< nothing = keep the preselection
};

} // namespace rfbind::app
