// What the window writes never lands in a file that is not its own, nor waits on one: the sheet
// on a full disk or a pipe, saves onto the catalogue, the settings or a foreign file (also through
// a recovery document naming them), exports onto a pipe. And what it keeps or asks stays
// bounded: hundreds of recovery documents, catalogue rows of hundreds of kilobytes, a fault in a
// library while the design is unsaved.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "app/MainForm.h"
#include "reliability/FaultSupport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"
#include "util/CrashRecovery.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::ReadFile;
using test::WriteFile;

class ForeignFileTest : public ::testing::Test {
 protected:
  ForeignFileTest() {
    catalogue = test::MakeCatalogue(dir.File("cores.db"), {{"EI20", 20, 1.5, 15, 40, 25}});
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", catalogue);
    platform.executable_path = dir.File("kelvanor");
    WriteFile(document, test::kSmallDesign);
  }

  bool Told(const std::string& words) const {
    for (const auto& m : platform.messages) {
      if (m.text.find(words) != std::string::npos) return true;
    }
    return false;
  }

  test::TempDir dir;
  FakePlatform platform;
  std::string catalogue;
  const std::string document = dir.File("d.kel");
  MainForm form{platform, {',', true}};
};

// "Dossier" replaces the old sheet only once the new one is whole: a full disk (a real one where
// this process may mount, failing writes always) keeps it. A pipe in its place is left a pipe.
TEST_F(ForeignFileTest, TheSheetKeepsTheOldOneOnAFullDiskAndNeverWritesIntoAPipe) {
  form.Form_Load(document);
  const std::string sheet = dir.File("d.dfa");
  const std::string old = "[FAB]\nModele=ancienne fiche\n";
  WriteFile(sheet, old);
  test::FailingFileOps full(test::FailingStep::kWriteNoSpace);
  form.SetFileOps(full.Ops());
  form.MnuDossier_Click();
  EXPECT_EQ(ReadFile(sheet), old);
  EXPECT_TRUE(Told("Impossible d'écrire la fiche de fabrication " + sheet));
  form.SetFileOps({});

  test::SmallDisk disk(dir.File("disk"), 64 * 1024);
  if (disk.mounted()) {
    const std::string doc = disk.folder() + "/p.kel";
    WriteFile(doc, test::kSmallDesign);
    WriteFile(disk.folder() + "/p.dfa", old);
    form.Form_Load(doc);
    ASSERT_GT(disk.Fill(), 0u);
    form.MnuDossier_Click();
    EXPECT_EQ(ReadFile(disk.folder() + "/p.dfa"), old);
    form.Form_Load(document);
  } else {
    std::printf("[  SKIPPED ] full tmpfs: this process may not mount one\n");
  }

  std::filesystem::remove(sheet);
  ASSERT_EQ(::mkfifo(sheet.c_str(), 0600), 0);
  platform.messages.clear();
  form.MnuDossier_Click();  // must not wait for a reader
  struct stat info {};
  ASSERT_EQ(::stat(sheet.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_TRUE(Told("pas un fichier ordinaire"));
  EXPECT_EQ(platform.shown_files.size(), 0u);
}

// A save writes into the file it names: never the catalogue, the settings or a file that is no
// design, whether the name comes from "Enregistrer sous" or from a recovery document.
TEST_F(ForeignFileTest, SavesRefuseTheCatalogueTheSettingsAndForeignFiles) {
  const std::string letter = dir.File("lettre.txt");
  WriteFile(letter, "Cher ami,\nvoici la liste.\n");
  const std::string settings = dir.File("kelvanor.ini");
  form.Form_Load(document);
  form.BtPlusT_Click();
  for (const std::string& target : {catalogue, settings, letter}) {
    SCOPED_TRACE(target);
    const std::string before = ReadFile(target);
    platform.messages.clear();
    platform.dialog_answers = {target};
    platform.answers = {MsgAnswer::Ok};  // "Remplacer … existant", were it asked
    form.MnuEnregistrerSous_Click();
    EXPECT_EQ(ReadFile(target), before);
    EXPECT_TRUE(Told("le document n'y est pas enregistré")) << platform.messages.back().text;
    EXPECT_TRUE(form.Modified());
    EXPECT_EQ(form.DocPath(), "");
    EXPECT_NE(ReadIni(settings, "GLOBAL", "Mru"), target);
  }

  // A recovery naming the catalogue or the letter: the design comes back without that file.
  for (const std::string& named : {catalogue, letter}) {
    SCOPED_TRACE(named);
    WriteFile(dir.File("recuperation-1.kel"),
              "[RECUPERATION]\nDocument=" + named + "\n" + std::string(test::kSmallDesign));
    const std::string before = ReadFile(named);
    FakePlatform next;
    next.executable_path = platform.executable_path;
    MainForm start(next, {',', true});
    start.Form_Load(document);
    EXPECT_EQ(start.DocPath(), "");
    EXPECT_TRUE(start.Modified());
    EXPECT_EQ(start.SaveDesign(), MainForm::SaveOutcome::Cancelled);  // asks a name instead
    EXPECT_EQ(next.dialogs.size(), 1u);
    EXPECT_EQ(ReadFile(named), before);
  }
}

// Exports never open a pipe: opening one to write waits until someone reads it.
TEST_F(ForeignFileTest, ExportsRefuseAPipe) {
  form.Form_Load(document);
  const std::string pipe = dir.File("dessin.svg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_NE(form.ExportRefusal(pipe).find("tube"), std::string::npos);
  EXPECT_EQ(form.ExportRefusal(dir.File("autre.svg")), "");
}

// Hundreds of sessions that ended unsaved: one question, and "Non pour tous" ends it.
TEST_F(ForeignFileTest, ManyRecoveryDocumentsAreRefusedInOneQuestion) {
  for (int n = 0; n < 300; ++n) {
    WriteFile(dir.File("recuperation-" + std::to_string(n) + ".kel"), test::kSmallDesign);
  }
  platform.answers = {MsgAnswer::NoToAll};
  form.Form_Load(document);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::YesNoNoToAll);
  EXPECT_NE(platform.messages[0].text.find("ainsi que 299 plus anciens"), std::string::npos)
      << platform.messages[0].text;
  EXPECT_TRUE(form.RecoveryDocuments().empty());
  EXPECT_FALSE(form.Modified());
}

// A fault in a library (a cut printing module faults with SIGBUS inside dlopen) ends the program;
// the unsaved design is then in a recovery document the next start offers.
TEST_F(ForeignFileTest, AFatalSignalLeavesTheUnsavedDesignForRecovery) {
  form.Form_Load(document);
  form.GotFocus({Control::TxAmps, 1});
  form.SetText({Control::TxAmps, 1}, "2");
  form.LostFocus({Control::TxAmps, 1});
  ASSERT_TRUE(form.Modified());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    crash::Install();
    form.PrepareCrashRecovery();
    ::raise(SIGBUS);
    ::_exit(0);  // not reached: the signal ends the process
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(WTERMSIG(status), SIGBUS);
  const std::vector<std::string> kept = form.RecoveryDocuments();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(ReadIni(kept[0], "SPECIFS", "Amps1"), "2");
  EXPECT_EQ(ReadIni(kept[0], "RECUPERATION", "Document"), document);
}

}  // namespace
}  // namespace kel
