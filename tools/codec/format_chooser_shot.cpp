// format_chooser_shot OUT.png: renders the format chooser as a user sees it
// when opening it on 44.1 kHz 16-bit stereo PCM (run under xvfb-run).
#include <QApplication>
#include <QTimer>

#include "deACM.h"
#include "deFormatChooser.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  TdeWaveFormat format;
  format.SetSamplesPerSec(44100);
  format.SetBitsPerSample(16);
  format.SetBlockAlign(4);
  format.SetAvgBytesPerSec(44100 * 4);
  alignas(8) uint8_t working[WAVE_FORMAT_BUFFER_SIZE];
  std::memcpy(working, format.WaveFormat(), sizeof working);
  ACMFORMATCHOOSE record = {};
  record.cbStruct = sizeof record;
  record.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
  record.pwfx = reinterpret_cast<WAVEFORMATEX*>(working);
  record.cbwfx = sizeof working;
  record.pszTitle = "Recording format";
  TdeFormatChooser dialog(record);
  if (dialog.LoadResult()) return 1;
  dialog.show();
  bool saved = false;
  QTimer::singleShot(300, [&] {
    saved = dialog.grab().save(QString::fromLocal8Bit(argv[1]));
    app.quit();
  });
  app.exec();
  return saved ? 0 : 1;
}
