// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

class QMovie;

namespace rfbind::app {

/// A picture that plays an animation (a GIF) in a loop, such as the binding indicator. It plays
/// while it is shown and rests while hidden, so showing and hiding it is all a caller needs; it
/// can also be started and stopped explicitly.
class AnimatedPicture : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource)
    Q_PROPERTY(bool looping READ looping WRITE setLooping)

public:
    explicit AnimatedPicture(QWidget* parent = nullptr);

    /// The animation file, e.g. a resource path ":/pictures/binding.gif".
    QString source() const { return source_; }
    void setSource(const QString& fileName);

    /// Loops forever when true (the default); plays once and keeps the last frame otherwise.
    bool looping() const { return looping_; }
    void setLooping(bool on) { looping_ = on; }

    void start();
    void stop();
    bool isRunning() const;
    /// The animation, or null before a source is set.
    QMovie* animation() const { return movie_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QMovie* movie_ = nullptr;
    QString source_;
    bool looping_ = true;
};

} // namespace rfbind::app
