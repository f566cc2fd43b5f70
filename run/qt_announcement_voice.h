// The announcement voice of the program: Qt Multimedia plays the sound files, Qt TextToSpeech
// speaks the texts. Both are set up at the first announcement; a computer without a speech engine
// is told once and the banner goes on alone.
#pragma once

#include "run/announcement_voice.h"

#include <QObject>

#include <memory>

class QAudioOutput;
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

 private:
  QMediaPlayer* player_ = nullptr;
  QAudioOutput* output_ = nullptr;
  QTextToSpeech* speech_ = nullptr;
  bool speechTried_ = false;
  std::string fallbackText_;
};

}  // namespace tevra
