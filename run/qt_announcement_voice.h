// SPDX-License-Identifier: GPL-3.0-or-later
// The announcement voice of the program: Qt Multimedia plays the sound files, Qt TextToSpeech
// speaks the texts, and a tone made from samples says that something went wrong. All are set up at
// their first use; without a speech engine the page plays the tone instead.
#pragma once

#include "run/announcement_voice.h"

#include <QObject>

#include <memory>

class QAudioOutput;
class QAudioSink;
class QBuffer;
class QMediaPlayer;
class QTextToSpeech;

namespace tevra {

class QtAnnouncementVoice final : public QObject, public AnnouncementVoice {
  Q_OBJECT

 public:
  explicit QtAnnouncementVoice(QObject* parent = nullptr);
  ~QtAnnouncementVoice() override;

  bool Play(const std::string& path, const std::string& fallbackText, std::string& problem) override;
  bool Speak(const std::string& text, std::string& problem) override;
  // The tone is made here as samples and played on the default output; no file is needed.
  void Tone() override;

 private:
  QMediaPlayer* player_ = nullptr;
  QAudioOutput* output_ = nullptr;
  QTextToSpeech* speech_ = nullptr;
  QAudioSink* toneSink_ = nullptr;
  QBuffer* toneBuffer_ = nullptr;
  bool speechTried_ = false;
  std::string fallbackText_;
};

}  // namespace tevra
