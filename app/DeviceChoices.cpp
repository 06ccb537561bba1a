#include "DeviceChoices.h"

#include "Application.h"
#include "Dialogs.h"
#include "Places.h"
#include "WavePulse.h"
#include "deDeviceList.h"

#include <QCoreApplication>
#include <QObject>
#include <algorithm>

namespace {

QString DeviceKey(bool input) { return QString::fromLatin1(input ? "devices/input" : "devices/output"); }

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace

void InstallSoundSystem() {
  TSoundServerClient client;
  client.Name = Utf8(QCoreApplication::translate("main", "Tamsel录音机"));
  client.RecordName = Utf8(QCoreApplication::translate("TDeviceChoices", "录音"));
  client.PlayName = Utf8(QCoreApplication::translate("TDeviceChoices", "播放"));
  const QString system = UserSettings()->value(QStringLiteral("devices/system")).toString();
  SetWaveBackend(MakeDesktopWaveBackend(SoundSystemByName(Utf8(system)), client));
}

QString SoundSystemInUse() { return QString::fromStdString(WaveSystemName()); }

void TDeviceChoices::Load() {
  const auto settings = UserSettings();
  for (bool input : {true, false}) {
    const QString key = DeviceKey(input);
    TDeviceChoice& choice = input ? FInput : FOutput;
    choice.Name = settings->value(key + QStringLiteral("/name")).toString();
    choice.Description = settings->value(key + QStringLiteral("/description")).toString();
  }
}

void TDeviceChoices::Choose(bool input, const TDeviceChoice& choice) {
  (input ? FInput : FOutput) = choice;
  const auto settings = UserSettings();
  const QString key = DeviceKey(input);
  settings->setValue(key + QStringLiteral("/name"), choice.Name);
  settings->setValue(key + QStringLiteral("/description"), choice.Description);
  // Chosen again: if it goes away again, say so again.
  FMissingReported.removeAll(choice.Name);
}

std::vector<TDeviceOffer> TDeviceChoices::Offers(bool input) const {
  const TDeviceChoice& chosen = Chosen(input);
  std::vector<TDeviceOffer> offers;
  auto add = [&](const QString& caption, const TDeviceChoice& choice) -> TDeviceOffer& {
    return offers.emplace_back(TDeviceOffer{caption, choice, choice.Name == chosen.Name, true});
  };
  const std::vector<TdeDeviceInfo> devices = AudioDeviceList(input);
  QString defaultCaption = QCoreApplication::translate("TDeviceChoices", "默认设备");
  for (const TdeDeviceInfo& d : devices)
    if (d.Name == QLatin1String("default")) defaultCaption += QStringLiteral("（%1）").arg(d.Description);
  add(defaultCaption, {});
  bool listed = chosen.Name.isEmpty();
  for (const TdeDeviceInfo& d : devices) {
    if (d.Name == QLatin1String("default")) continue;
    if (d.Name.isEmpty()) {
      add(QStringLiteral("-"), {}).Checked = false;
      continue;
    }
    listed = listed || d.Name == chosen.Name;
    // What the computer plays is the default output's monitor, whichever output that is.
    const QString caption = d.Name == QLatin1String(kDefaultMonitor)
                                ? QCoreApplication::translate("TDeviceChoices", "电脑播放的声音")
                                : d.Description;
    add(caption, {d.Name, caption});
  }
  if (!listed)
    add(QCoreApplication::translate("TDeviceChoices", "%1（未连接）")
            .arg(chosen.Description.isEmpty() ? chosen.Name : chosen.Description),
        chosen)
        .Enabled = false;
  return offers;
}

QString TDeviceChoices::ToOpen(bool input) {
  const TDeviceChoice& choice = Chosen(input);
  if (choice.Name.isEmpty()) return QString();
  const std::vector<TdeDeviceInfo> devices = AudioDeviceList(input);
  // A sound system that lists nothing cannot say a device has gone.
  if (devices.empty() ||
      std::any_of(devices.begin(), devices.end(), [&](const TdeDeviceInfo& d) { return d.Name == choice.Name; }))
    return choice.Name;
  if (!FMissingReported.contains(choice.Name)) {
    FMissingReported << choice.Name;
    const QString shown = choice.Description.isEmpty() || choice.Description == choice.Name
                              ? choice.Name
                              : QStringLiteral("%1（%2）").arg(choice.Description, choice.Name);
    const QString text = (input ? QCoreApplication::translate("TDeviceChoices", "找不到输入设备“%1”，改用默认设备。")
                                : QCoreApplication::translate("TDeviceChoices", "找不到输出设备“%1”，改用默认设备。"))
                             .arg(shown);
    // After the press has done its work: the take is not held up by the message.
    // Through the error queue, so it never stacks on another error box.
    QMetaObject::invokeMethod(
        FContext,
        [text] {
          if (TApplication* app = TApplication::Instance())
            app->ShowException(text);
          else
            ShowError(text);
        },
        Qt::QueuedConnection);
  }
  return QString();
}
