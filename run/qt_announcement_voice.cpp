#include "run/qt_announcement_voice.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QTextToSpeech>
#include <QUrl>

namespace tevra {

QtAnnouncementVoice::QtAnnouncementVoice(QObject* parent) : QObject(parent) {}

QtAnnouncementVoice::~QtAnnouncementVoice() = default;

bool QtAnnouncementVoice::Play(const std::string& path, const std::string& fallbackText,
                               std::string& problem) {
  if (player_ == nullptr) {
    player_ = new QMediaPlayer(this);
    output_ = new QAudioOutput(this);
    player_->setAudioOutput(output_);
    // A file that turns out unplayable (no decoder, a damaged file) is spoken instead.
    connect(player_, &QMediaPlayer::errorOccurred, this, [this] {
      std::string ignored;
      Speak(fallbackText_, ignored);
    });
  }
  fallbackText_ = fallbackText;
  player_->stop();
  player_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  if (player_->error() != QMediaPlayer::NoError) {
    problem = player_->errorString().toStdString();
    return false;
  }
  player_->play();
  return true;
}

bool QtAnnouncementVoice::Speak(const std::string& text, std::string& problem) {
  if (!speechTried_) {
    speechTried_ = true;
    if (!QTextToSpeech::availableEngines().isEmpty()) {
      speech_ = new QTextToSpeech(this);
    }
  }
  if (speech_ == nullptr) {
    problem = "no speech engine is installed (speech-dispatcher)";
    return false;
  }
  if (speech_->state() == QTextToSpeech::Error) {
    problem = speech_->errorString().toStdString();
    if (problem.empty()) {
      problem = "the speech engine does not answer";
    }
    return false;
  }
  speech_->say(QString::fromStdString(text));
  return true;
}

}  // namespace tevra
