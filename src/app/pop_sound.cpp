#include "app/pop_sound.h"

#include <QMetaObject>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

// Lives on the sound thread; owns the sound effect there.
class SoundWorker : public QObject {
 public:
  void Load(const QString& path) {
    if (effect_ == nullptr) {
      effect_ = new QSoundEffect(this);
      connect(effect_, &QSoundEffect::statusChanged, this, [this] {
        if (play_when_ready_ && effect_->status() == QSoundEffect::Ready) {
          play_when_ready_ = false;
          effect_->play();
        }
      });
    }
    if (path != loaded_path_) {
      loaded_path_ = path;
      effect_->setSource(QUrl::fromLocalFile(path));
    }
  }

  void Play(const QString& path) {
    Load(path);
    switch (effect_->status()) {
      case QSoundEffect::Ready:
        effect_->stop();  // a new pop restarts the sound
        effect_->play();
        break;
      case QSoundEffect::Loading:
      case QSoundEffect::Null:
        play_when_ready_ = true;
        break;
      case QSoundEffect::Error:
        break;  // no device or no file: silence
    }
  }

 private:
  QSoundEffect* effect_ = nullptr;
  QString loaded_path_;
  bool play_when_ready_ = false;
};

QtSoundPort::QtSoundPort() : thread_(new QThread), worker_(new SoundWorker) {
  thread_->setObjectName(QStringLiteral("pop sound"));
  worker_->moveToThread(thread_);
  QObject::connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
  thread_->start();
}

QtSoundPort::~QtSoundPort() {
  thread_->quit();
  // An audio system that hangs must not hang the program: after a grace period
  // the thread is left to the process's end.
  if (thread_->wait(2000)) {
    delete thread_;
  }
}

void QtSoundPort::Preload(const std::string& path) {
  QMetaObject::invokeMethod(
      worker_, [w = worker_, p = QString::fromStdString(path)] { w->Load(p); },
      Qt::QueuedConnection);
}

void QtSoundPort::PlayAsync(const std::string& path) {
  ++requests_;
  QMetaObject::invokeMethod(
      worker_, [w = worker_, p = QString::fromStdString(path)] { w->Play(p); },
      Qt::QueuedConnection);
}
