// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/qt_announcement_voice.h"

#include <QAudioFormat>
#include <QAudioOutput>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
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

void QtAnnouncementVoice::Tone() {
  constexpr int SampleRate = 22050;
  if (toneSink_ == nullptr) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
      return;  // no sound output: the messages on the page remain
    }
    QAudioFormat format;
    format.setSampleRate(SampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    toneSink_ = new QAudioSink(device, format, this);
    toneBuffer_ = new QBuffer(this);
  }
  const std::vector<int16_t> samples = ToneSamples(SampleRate, 880.0, 250);
  toneSink_->stop();
  toneBuffer_->close();
  toneBuffer_->setData(QByteArray(reinterpret_cast<const char*>(samples.data()),
                                  static_cast<qsizetype>(samples.size() * sizeof(int16_t))));
  toneBuffer_->open(QIODevice::ReadOnly);
  toneSink_->start(toneBuffer_);
}

}  // namespace tevra
