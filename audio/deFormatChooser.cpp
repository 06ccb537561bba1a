#include "deFormatChooser.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kDefaultTitle = "Choose a format";

QString FromField(const char* field, size_t size) { return QString::fromUtf8(field, qstrnlen(field, size)); }

struct TCollect {
  std::vector<uint8_t>* Formats;  // concatenated 512-byte records
  std::vector<QString>* Texts;
};

bool CollectFormat(HACMDRIVERID, ACMFORMATDETAILS* pafd, uintptr_t instance, uint32_t) {
  auto* c = reinterpret_cast<TCollect*>(instance);
  const auto* bytes = reinterpret_cast<const uint8_t*>(pafd->pwfx);
  c->Formats->insert(c->Formats->end(), bytes, bytes + WaveFormatMeaningfulSize(pafd->pwfx));
  c->Texts->push_back(FromField(pafd->szFormat, sizeof pafd->szFormat));
  return true;
}

bool CollectTag(HACMDRIVERID, ACMFORMATTAGDETAILS* paftd, uintptr_t instance, uint32_t) {
  auto* tags = reinterpret_cast<std::vector<std::pair<uint32_t, QString>>*>(instance);
  tags->emplace_back(paftd->dwFormatTag, FromField(paftd->szFormatTag, sizeof paftd->szFormatTag));
  return true;
}

}  // namespace

QString TdeFormatChooser::AttributeText(const QString& formatText, uint32_t avgBytesPerSec) {
  return QStringLiteral("%1    %2 KB/s").arg(formatText).arg((uint64_t(avgBytesPerSec) + 512) / 1024);
}

TdeFormatChooser::TdeFormatChooser(ACMFORMATCHOOSE& record, QWidget* parent) : QDialog(parent), FRecord(record) {
  setWindowTitle(QString::fromUtf8(record.pszTitle ? record.pszTitle : kDefaultTitle));
  FTags = new QComboBox(this);
  FAttributes = new QListWidget(this);
  FAttributes->setMinimumSize(340, 220);
  auto* form = new QFormLayout;
  form->addRow(tr("&Format:"), FTags);
  form->addRow(tr("&Attributes:"), FAttributes);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(FAttributes, &QListWidget::itemActivated, this, &QDialog::accept);
  connect(FTags, &QComboBox::currentIndexChanged, this, &TdeFormatChooser::ShowTag);

  FLoadResult = Load();
  if (FLoadResult) return;
  {
    const QSignalBlocker block(FTags);
    for (const TTag& t : FTagEntries) FTags->addItem(t.Name);
    FTags->setCurrentIndex(FStartTag);
  }
  ShowTag(FStartTag);
  FAttributes->setCurrentRow(FStartRow);
  FAttributes->setFocus();
}

MMRESULT TdeFormatChooser::Load() {
  if (FRecord.cbStruct < sizeof(ACMFORMATCHOOSE) || !FRecord.pwfx || FRecord.cbwfx < sizeof(WAVEFORMATEX))
    return MMSYSERR_INVALPARAM;
  std::vector<std::pair<uint32_t, QString>> tags;
  ACMFORMATTAGDETAILS tagDetails = {};
  tagDetails.cbStruct = sizeof tagDetails;
  if (MMRESULT r = acmFormatTagEnum(nullptr, &tagDetails, CollectTag, reinterpret_cast<uintptr_t>(&tags), 0)) return r;

  std::vector<uint8_t> formats;
  std::vector<QString> texts;
  TCollect collect{&formats, &texts};
  alignas(8) uint8_t work[WAVE_FORMAT_BUFFER_SIZE] = {};
  ACMFORMATDETAILS details = {};
  details.cbStruct = sizeof details;
  details.pwfx = reinterpret_cast<WAVEFORMATEX*>(work);
  details.cbwfx = sizeof work;
  const uint32_t restriction = FRecord.fdwEnum & (ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT);
  if (FRecord.fdwEnum & ~restriction) return MMSYSERR_INVALFLAG;
  if (MMRESULT r = acmFormatEnum(nullptr, &details, CollectFormat, reinterpret_cast<uintptr_t>(&collect), restriction))
    return r;

  // Group the formats under their tags, in the manager's tag order; tags without formats are left out.
  size_t offset = 0;
  std::vector<TEntry> entries;
  for (const QString& text : texts) {
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(formats.data() + offset);
    const size_t size = WaveFormatMeaningfulSize(wfx);
    entries.push_back({std::vector<uint8_t>(formats.begin() + offset, formats.begin() + offset + size),
                       AttributeText(text, wfx->nAvgBytesPerSec), false});
    offset += size;
  }
  for (const auto& [tag, name] : tags) {
    TTag t{tag, name, {}};
    for (const TEntry& e : entries)
      if (reinterpret_cast<const WAVEFORMATEX*>(e.Format.data())->wFormatTag == tag) t.Formats.push_back(e);
    if (!t.Formats.empty()) FTagEntries.push_back(std::move(t));
  }
  if (FTagEntries.empty()) return MMSYSERR_NODRIVER;

  // Open on the starting format: selected where it is listed, otherwise shown first as it is.
  const WAVEFORMATEX* start = FRecord.pwfx;
  if (!(FRecord.fdwStyle & ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT)) return MMSYSERR_NOERROR;
  const size_t startSize = std::min<size_t>(WaveFormatMeaningfulSize(start), FRecord.cbwfx);
  const auto* startBytes = reinterpret_cast<const uint8_t*>(start);
  for (size_t i = 0; i < FTagEntries.size(); ++i)
    for (size_t j = 0; j < FTagEntries[i].Formats.size(); ++j) {
      const std::vector<uint8_t>& f = FTagEntries[i].Formats[j].Format;
      if (f.size() == startSize && std::memcmp(f.data(), startBytes, startSize) == 0) {
        FStartTag = int(i);
        FStartRow = int(j);
        return MMSYSERR_NOERROR;
      }
    }
  // A record claiming more extra bytes than a format buffer holds is not offered as it is.
  if (start->wFormatTag != WAVE_FORMAT_PCM && start->cbSize > WAVE_FORMAT_MAX_EXTRA) return MMSYSERR_NOERROR;
  auto tag =
      std::find_if(FTagEntries.begin(), FTagEntries.end(), [&](const TTag& t) { return t.Tag == start->wFormatTag; });
  if (tag == FTagEntries.end()) {
    ACMFORMATTAGDETAILS d = {};
    d.cbStruct = sizeof d;
    d.dwFormatTag = start->wFormatTag;
    const QString name = acmFormatTagDetails(nullptr, &d, ACM_FORMATTAGDETAILSF_FORMATTAG) == 0
                             ? FromField(d.szFormatTag, sizeof d.szFormatTag)
                             : tr("Format 0x%1").arg(start->wFormatTag, 4, 16, QLatin1Char('0'));
    tag = FTagEntries.insert(FTagEntries.begin(), TTag{start->wFormatTag, name, {}});
  }
  ACMFORMATDETAILS d = {};
  d.cbStruct = sizeof d;
  d.dwFormatTag = start->wFormatTag;
  d.pwfx = FRecord.pwfx;
  d.cbwfx = FRecord.cbwfx;
  const QString text = acmFormatDetails(nullptr, &d, ACM_FORMATDETAILSF_FORMAT) == 0
                           ? FromField(d.szFormat, sizeof d.szFormat)
                           : tr("Current format");
  tag->Formats.insert(tag->Formats.begin(), TEntry{std::vector<uint8_t>(startBytes, startBytes + startSize),
                                                   AttributeText(text, start->nAvgBytesPerSec), true});
  FStartTag = int(tag - FTagEntries.begin());
  FStartRow = 0;
  return MMSYSERR_NOERROR;
}

void TdeFormatChooser::ShowTag(int index) {
  FAttributes->clear();
  if (index < 0 || size_t(index) >= FTagEntries.size()) return;
  for (const TEntry& e : FTagEntries[size_t(index)].Formats) FAttributes->addItem(e.Text);
  FAttributes->setCurrentRow(0);
}

void TdeFormatChooser::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The list knows its height only now: bring the starting format to the middle.
  if (QListWidgetItem* item = FAttributes->currentItem())
    FAttributes->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void TdeFormatChooser::accept() {
  const int tag = FTags->currentIndex(), row = FAttributes->currentRow();
  if (tag < 0 || row < 0) return;  // nothing chosen: keep the dialog open
  const TTag& t = FTagEntries[size_t(tag)];
  const TEntry& e = t.Formats[size_t(row)];
  // Only the chosen format's own bytes are written; the rest of pwfx stays as it was.
  if (!e.Current) std::memcpy(FRecord.pwfx, e.Format.data(), std::min<size_t>(e.Format.size(), FRecord.cbwfx));
  const QByteArray name = t.Name.toUtf8();
  const QString text = e.Text.left(e.Text.lastIndexOf(QStringLiteral("    ")));
  const QByteArray format = text.toUtf8();
  qstrncpy(FRecord.szFormatTag, name.constData(), sizeof FRecord.szFormatTag);
  qstrncpy(FRecord.szFormat, format.constData(), sizeof FRecord.szFormat);
  QDialog::accept();
}

MMRESULT ChooseFormat(ACMFORMATCHOOSE& record) {
  TdeFormatChooser dialog(record, static_cast<QWidget*>(record.hwndOwner));
  if (dialog.LoadResult()) return dialog.LoadResult();
  return dialog.exec() == QDialog::Accepted ? MMSYSERR_NOERROR : ACMERR_CANCELED;
}
