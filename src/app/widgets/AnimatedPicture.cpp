// SPDX-License-Identifier: MIT
#include "widgets/AnimatedPicture.h"

#include <QMovie>

namespace rfbind::app {

AnimatedPicture::AnimatedPicture(QWidget* parent) : QLabel(parent) {}

void AnimatedPicture::setSource(const QString& fileName) {
    source_ = fileName;
    const bool wasRunning = isRunning();
    delete movie_;
    movie_ = new QMovie(fileName, QByteArray(), this);
    // A GIF's own loop count would end the animation while a binding still runs; the loop is
    // decided here instead.
    connect(movie_, &QMovie::frameChanged, this, [this](int frame) {
        if (!looping_ && frame == movie_->frameCount() - 1)
            movie_->setPaused(true);
    });
    connect(movie_, &QMovie::finished, this, [this] {
        if (looping_)
            movie_->start();
    });
    setMovie(movie_);
    movie_->jumpToFrame(0);
    if (wasRunning || isVisible())
        start();
}

void AnimatedPicture::start() {
    if (movie_ == nullptr)
        return;
    if (movie_->state() == QMovie::Paused)
        movie_->setPaused(false);
    else if (movie_->state() == QMovie::NotRunning)
        movie_->start();
}

void AnimatedPicture::stop() {
    if (movie_ != nullptr)
        movie_->stop();
}

bool AnimatedPicture::isRunning() const {
    return movie_ != nullptr && movie_->state() == QMovie::Running;
}

void AnimatedPicture::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    start();
}

void AnimatedPicture::hideEvent(QHideEvent* event) {
    QLabel::hideEvent(event);
    stop();
}

} // namespace rfbind::app
