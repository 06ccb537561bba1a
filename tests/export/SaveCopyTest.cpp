// The window's Save as the user meets it: the types the dialog offers, the
// extension that follows the type chosen, the copy in that type, and a copy
// that is cancelled or cannot be made.
#include "Dialogs.h"
#include "EventLoopHelpers.h"
#include "ExportTestSupport.h"
#include "MainForm.h"
#include "SUIButton.h"
#include "SaveCopy.h"
#include "StoredWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace exporttest;

namespace {

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray Bytes(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SaveCopyTest : public ::testing::Test {
 protected:
  void SetUp() override { Form = CreateStoredWindow(); }
  void TearDown() override {
    Form.reset();
    QFile::remove(WorkingFileName());
  }
  // Saves through the window with the dialog answered: filter index and name.
  void Save(int filterIndex, const QString& name) {
    Form->SaveDialog1->SetExecuteHook([this, filterIndex, name](TSaveDialog& d) {
      d.SetFilterIndex(filterIndex);
      d.SetFileName(Dir.filePath(name));
      return true;
    });
    Form->suiButton3->Click();
  }

  std::unique_ptr<TForm1> Form;
  QTemporaryDir Dir;
};

TEST_F(SaveCopyTest, theDialogOffersEveryType_andTheCopyIsOfTheTypeChosen) {
  WriteTake(WorkingFileName(), Tones(22050, 1, 2.0), 22050, 1, WAVE_FORMAT_IMA_ADPCM);
  // A take of an earlier run began its length (2 s) before its file was last written.
  const QDateTime taken = QFileInfo(WorkingFileName()).lastModified().addSecs(-2);
  QStringList offered;
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    offered = d.QtFilter().split(QStringLiteral(";;"));
    EXPECT_EQ(1, d.FilterIndex());
    EXPECT_EQ(QStringLiteral("wav"), d.DefaultExt());
    EXPECT_TRUE(d.FileName().endsWith(QStringLiteral(".wav"))) << d.FileName().toStdString();
    // FLAC chosen while the name still ends as the proposal did.
    d.SetFilterIndex(2);
    d.SetFileName(Dir.filePath(QStringLiteral("采访.wav")));
    return true;
  });
  Form->suiButton3->Click();
  EXPECT_EQ(QStringList({"wav音频文件(*.wav) (*.wav)", "FLAC无损音频(*.flac) (*.flac)", "Opus音频(*.opus) (*.opus)",
                         "Ogg Vorbis音频(*.ogg) (*.ogg)", "MP3音频(*.mp3) (*.mp3)"}),
            offered);
  ASSERT_EQ(QStringList({"采访.flac"}), Entries(Dir.path()));
  const auto flac = Probe(Dir.filePath(QStringLiteral("采访.flac")));
  EXPECT_EQ(QStringLiteral("flac"), flac.value("codec_name"));
  EXPECT_EQ(QStringLiteral("采访"), flac.value("title"));
  const QDateTime tagged = QDateTime::fromString(flac.value("date"), Qt::ISODate);
  ASSERT_TRUE(tagged.isValid()) << flac.value("date").toStdString();
  EXPECT_LE(std::abs(taken.secsTo(tagged)), 1) << flac.value("date").toStdString();

  // A name typed without an extension gets the chosen type's.
  Save(3, QStringLiteral("a"));
  Save(4, QStringLiteral("b"));
  Save(5, QStringLiteral("c.opus"));
  EXPECT_EQ(QStringLiteral("opus"), Probe(Dir.filePath(QStringLiteral("a.opus"))).value("codec_name"));
  EXPECT_EQ(QStringLiteral("vorbis"), Probe(Dir.filePath(QStringLiteral("b.ogg"))).value("codec_name"));
  EXPECT_EQ(QStringLiteral("mp3"), Probe(Dir.filePath(QStringLiteral("c.mp3"))).value("codec_name"));

  // The WAV as recorded is the take's own bytes.
  Save(1, QStringLiteral("d.mp3"));
  EXPECT_EQ(Bytes(WorkingFileName()), Bytes(Dir.filePath(QStringLiteral("d.wav"))));
  EXPECT_EQ(QStringList({"a.opus", "b.ogg", "c.mp3", "d.wav", "采访.flac"}), Entries(Dir.path()));
}

TEST_F(SaveCopyTest, aCopyThatCannotBeMadeGivesOneMessage_andNoFile) {
  WriteTake(WorkingFileName(), Tones(8000, 1, 1.0), 8000, 1, WAVE_FORMAT_GSM610);
  TExceptionCapture errors;
  Save(3, QStringLiteral("missing/copy.opus"));
  ASSERT_EQ(1, errors.Messages.size());
  EXPECT_TRUE(errors.Messages[0].startsWith(QStringLiteral("保存失败："))) << errors.Messages[0].toStdString();
  EXPECT_TRUE(errors.Messages[0].contains(QStringLiteral("missing"))) << errors.Messages[0].toStdString();

  {
    QFile damaged(WorkingFileName());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("RIFF\x10\0\0\0WAVEfmt ", 16);
  }
  Save(5, QStringLiteral("copy.mp3"));
  ASSERT_EQ(2, errors.Messages.size());
  EXPECT_TRUE(errors.Messages[1].contains(QStringLiteral("Invalid file format."))) << errors.Messages[1].toStdString();
  EXPECT_TRUE(Entries(Dir.path()).isEmpty()) << Entries(Dir.path()).join(' ').toStdString();
}

// Clicks the progress window's Cancel once it is on screen.
struct TCanceller {
  bool Saw = false;
  QTimer Poll;
  TCanceller() {
    Poll.setInterval(5);
    QObject::connect(&Poll, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible() && !Saw) {
          Saw = true;
          p->cancel();
        }
    });
    Poll.start();
  }
};

TEST(SaveCopy, cancelInTheProgressWindowLeavesNothingBehind) {
  QTemporaryDir dir;
  const QString take = dir.filePath(QStringLiteral("take.wav"));
  WriteTake(take, Tones(44100, 2, 60.0), 44100, 2, WAVE_FORMAT_PCM);
  TCanceller canceller;
  const TSaveChoice choice{dir.filePath(QStringLiteral("copy.mp3")), TdeExportType::Mp3};
  EXPECT_FALSE(SaveEncodedCopy(take, choice, QDateTime::currentDateTime(), nullptr, 0));
  EXPECT_TRUE(canceller.Saw);
  EXPECT_EQ(QStringList({"take.wav"}), Entries(dir.path()));
}

// Presses the dialog's Save button.
void Accept(QFileDialog& d) {
  auto* buttons = d.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  if (QPushButton* save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr) return save->click();
  ADD_FAILURE() << "no Save button";
  d.reject();
}

// Runs action on the file dialog once Execute shows it.
void WithFileDialog(const std::function<void(QFileDialog&)>& action) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action(*dialog);
  });
  poll->start();
}

TEST(SaveCopy, theExtensionFollowsTheTypeChosenInTheDialog) {
  QTemporaryDir dir;
  TSaveDialog save(nullptr);
  OfferSaveTypes(save);
  save.SetOptions(ofOverwritePrompt | ofHideReadOnly);
  save.SetFileName(dir.filePath(QStringLiteral("录音 2024-05-01 10-30-00.wav")));
  QString shown;
  WithFileDialog([&](QFileDialog& d) {
    auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!types || !name) return ADD_FAILURE() << "no type list or name field", d.reject();
    QTest::keyClick(types, Qt::Key_Down);  // to FLAC, as a user does
    shown = name->text();
    Accept(d);
  });
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(QStringLiteral("录音 2024-05-01 10-30-00.flac"), shown);
  EXPECT_EQ(2, save.FilterIndex());
  EXPECT_EQ(dir.filePath(QStringLiteral("录音 2024-05-01 10-30-00.flac")), save.FileName());
  EXPECT_EQ(TdeExportType::Flac, SaveChoiceOf(save).Type);

  // A name typed without an extension, then Opus chosen.
  WithFileDialog([&](QFileDialog& d) {
    auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!types || !name) return ADD_FAILURE() << "no type list or name field", d.reject();
    name->setText(QStringLiteral("讲座"));
    QTest::keyClick(types, Qt::Key_Down);
    Accept(d);
  });
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(3, save.FilterIndex());
  EXPECT_EQ(dir.filePath(QStringLiteral("讲座.opus")), save.FileName());
}

}  // namespace
