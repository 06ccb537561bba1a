// Usage: xvfb-run -s "-screen 0 640x240x24" oscilloscope_shot out.png
// Feeds an eighth of a second of a sine (48 Hz left, 96 Hz right at half
// level, 44100 Hz 16-bit stereo) through a control source into an
// oscilloscope the size of the recorder's, shows it and saves the screen.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "Forms.h"
#include "deACM.h"
#include "deAudioControls.h"

namespace {

class TSineSource : public TQComponent {
 public:
  TSineSource() : TQComponent(nullptr) {
    Subject = std::make_unique<TdeAudioSubject>(this, &Format);
    Format.SetSamplesPerSec(44100);
    Format.SetBitsPerSample(16);
    Format.SetChannels(2);
    Format.SetBlockAlign(4);
    Format.SetAvgBytesPerSec(44100 * 4);
  }
  ~TSineSource() override { Subject.reset(); }
  void* QueryInterface(const TGUID& iid) override {
    if (void* role = QueryAudioRole(iid, Subject.get(), nullptr)) return role;
    return TQComponent::QueryInterface(iid);
  }
  void Deliver() {
    std::vector<int16_t> block;
    for (int i = 0; i < 44100 / 8; ++i) {
      block.push_back(static_cast<int16_t>(std::lround(30000 * std::sin(2 * M_PI * 48.0 * i / 44100))));
      block.push_back(static_cast<int16_t>(std::lround(16000 * std::sin(2 * M_PI * 96.0 * i / 44100))));
    }
    Subject->Notify(Subject.get(), block.data(), static_cast<int32_t>(block.size() * sizeof(int16_t)));
  }
  TdeWaveFormat Format;
  std::unique_ptr<TdeAudioSubject> Subject;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("oscilloscope.png");
  TForm form(nullptr);
  form.SetCaption(QStringLiteral("Oscilloscope"));
  form.SetClientWidth(481);
  form.SetClientHeight(130);
  form.SetColor(clBtnFace);
  TSineSource sine;
  TdeAudioControlSource source(&form);
  source.SetAudioSource(&sine);
  auto* scope = new TdeOscilloscope(&form);
  scope->setParent(&form);
  scope->SetBounds(8, 8, 465, 114);
  scope->SetColor(clBlack);
  scope->PenLeft()->SetColor(clLime);
  scope->PenRight()->SetColor(clYellow);
  scope->SetAudioControlSource(&source);
  form.move(0, 0);
  form.show();
  sine.Deliver();
  int status = 1;
  QTimer::singleShot(500, [&] {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, form.width(), form.height());
    status = shot.save(out) ? 0 : 1;
    std::printf("%s %dx%d, %d frames\n", status ? "failed" : "saved", shot.width(), shot.height(),
                source.SampleCount());
    app.quit();
  });
  app.exec();
  return status;
}
