// Any bytes as a design document: opened through the window's logic (which recalculates), saved
// under a new name and opened again, then saved over itself and opened again. Each time the
// design that comes back is the one that was saved: the same inputs, the same imposed values, the
// same remarks, and so the same results. The check and its reports run on every design opened.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/MainForm.h"
#include "check/DesignCheck.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "report/CheckText.h"
#include "report/HtmlReport.h"
#include "report/WindingSvg.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace {

using kel::fuzz::Shown;

struct World {
  std::string folder;
  std::string executable;
  std::string document;
  std::string saved;
};

// One catalogue and one settings file for the whole run; each input gets fresh windows.
const World& TheWorld() {
  static const World world = [] {
    World w;
    w.folder = kel::fuzz::ScratchFolder();
    w.executable = w.folder + "/kelvanor";
    w.document = w.folder + "/input.kel";
    w.saved = w.folder + "/saved.kel";
    const std::string catalogue = kel::test::MakeCatalogue(
        w.folder + "/cores.db", {{"EI30/10", 1, 0.044, 3.5, 13, 5.9},
                                 {"EI54/18", 3.24, 0.257, 7, 24, 10.6},
                                 {"EI84/28", 7.84, 0.967, 12, 39, 16.2},
                                 {"EI84/56", 15.68, 1.935, 12, 39, 21.8},
                                 {"EI135/45", 20.25, 4.015, 20, 63.5, 25.9},
                                 {"EI150/75", 37.5, 8.262, 22.5, 71, 33.7},
                                 {"x'; DROP TABLE EI; --", 5, 0.5, 9, 30, 12},
                                 {"étoile", 2.5, 0.2, 6, 20, 9}});
    kel::WriteIni(w.folder + "/kelvanor.ini", "GLOBAL", "DataBase", catalogue);
    return w;
  }();
  return world;
}

bool IsQueryPrompt(const kel::test::RecordedMessage& message) {
  return message.buttons == kel::MsgButtons::YesNo;
}

void Compare(const std::string& what, const std::string& saved, const std::string& reopened,
             const std::string& document) {
  FUZZ_CHECK(saved == reopened, what + " saved as " + Shown(saved) + " comes back as " +
                                    Shown(reopened) + "\ndocument " + Shown(document));
}

void CompareDesigns(const kel::DesignSheet& a, const kel::DesignSheet& b,
                    const std::string& document) {
  Compare("TxFreq", a.TxFreq, b.TxFreq, document);
  Compare("TxTesla", a.TxTesla, b.TxTesla, document);
  Compare("TxDCourant", a.TxDCourant, b.TxDCourant, document);
  for (int i = 0; i < kel::kRows; ++i) {
    const std::string n = std::to_string(i);
    Compare("TxVolts" + n, a.TxVolts[i], b.TxVolts[i], document);
    Compare("TxAmps" + n, a.TxAmps[i], b.TxAmps[i], document);
    FUZZ_CHECK(a.DiaForced[i] == b.DiaForced[i], "imposed diameter " + n + " lost or gained");
    if (a.DiaForced[i]) Compare("TxDiaCu" + n, a.TxDiaCu[i], b.TxDiaCu[i], document);
  }
  FUZZ_CHECK(a.CoreForced == b.CoreForced,
             "imposed core lost or gained: " + Shown(a.TxNoyau) + "\ndocument " + Shown(document));
  if (a.CoreForced) Compare("TxNoyau", a.TxNoyau, b.TxNoyau, document);
  // Remarks in the tab form come back with a final line break.
  if (b.TxRem != a.TxRem + "\r\n") Compare("TxRem", a.TxRem, b.TxRem, document);

  // The same inputs on the same catalogue give the same results.
  Compare("LbWatts", a.LbWatts, b.LbWatts, document);
  Compare("LbSectFe", a.LbSectFe, b.LbSectFe, document);
  Compare("LbNoyau", a.LbNoyau, b.LbNoyau, document);
  Compare("LbTotCu", a.LbTotCu, b.LbTotCu, document);
  Compare("Lbn", a.Lbn, b.Lbn, document);
  for (int i = 0; i < kel::kRows; ++i) {
    Compare("TxSpires" + std::to_string(i), a.TxSpires[i], b.TxSpires[i], document);
    Compare("TxDiaCu" + std::to_string(i), a.TxDiaCu[i], b.TxDiaCu[i], document);
  }
}

// The check of the design and every writer of it: none may fail, and only a design the chain
// went through with a core has a check.
void CheckAndReport(const kel::MainForm& form, const std::string& document) {
  const kel::DesignSheet& sheet = form.Sheet();
  const kel::DesignCheck check = kel::CheckDesign(sheet);
  FUZZ_CHECK(!check.result || (sheet.Outcome == kel::ChainOutcome::Ran && sheet.Core),
             "a check without a finished recalculation\ndocument " + Shown(document));
  const std::string json = kel::CheckJson(check);
  FUZZ_CHECK(json.front() == '{' && json.back() == '}', "check JSON " + Shown(json));
  static_cast<void>(kel::CheckTextSection(check, ','));
  if (check.result) {
    const std::string svg = kel::WindingWindowSvg(*check.result, ',');
    FUZZ_CHECK(svg.rfind("<svg", 0) == 0 && svg.ends_with("</svg>\n"), "drawing " + Shown(svg));
  }
  const kel::ReportInput input{&sheet,
                               &check,
                               form.DocPath(),
                               "08/12/2026",
                               kel::ManufacturingSheetLines(sheet, form.DocPath()),
                               ',',
                               {}};
  const std::string html = kel::HtmlReport(input, kel::DrawingAs::InlineSvg);
  FUZZ_CHECK(html.ends_with("</html>\n"), "HTML report cut short\ndocument " + Shown(document));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const World& world = TheWorld();
  const std::string document(reinterpret_cast<const char*>(data), size);
  kel::fuzz::WriteBytes(world.document, document);
  std::remove(world.saved.c_str());

  kel::test::FakePlatform platform;
  platform.executable_path = world.executable;
  kel::MainForm form(platform, {',', true});
  form.Form_Load(world.document);
  // What is no design (not text, or no design entry) is refused and never written over.
  if (kel::ReadDesignDocument(world.document, {}).not_a_design) {
    FUZZ_CHECK(form.DocPath().empty() && platform.messages.size() == 1,
               "a file that is no design was opened");
    return 0;
  }
  FUZZ_CHECK(form.DocPath() == world.document, "start-up lost the document's path");
  FUZZ_CHECK(!form.Modified(), "modified right after opening");
  CheckAndReport(form, document);

  platform.dialog_answers = {world.saved};
  form.MnuEnregistrerSous_Click();
  FUZZ_CHECK(form.DocPath() == world.saved && !form.Modified() &&
                 form.Title().find(" *") == std::string::npos,
             "saving under a new name did not end as saved; title " + Shown(form.Title()));
  for (const auto& message : platform.messages) {
    FUZZ_CHECK(!IsQueryPrompt(message),
               "a catalogue query failed: " + Shown(message.text) + " " + Shown(message.title));
  }

  kel::test::FakePlatform again;
  again.executable_path = world.executable;
  kel::MainForm reopened(again, {',', true});
  reopened.Form_Load(world.saved);
  CompareDesigns(form.Sheet(), reopened.Sheet(), document);

  // Saved over the file it came from, whatever else that file holds, the design comes back too.
  kel::test::FakePlatform in_place;
  in_place.executable_path = world.executable;
  kel::MainForm first(in_place, {',', true});
  first.Form_Load(world.document);
  FUZZ_CHECK(first.SaveDesign() == kel::MainForm::SaveOutcome::Saved,
             "saving over the opened document failed");
  kel::MainForm second(in_place, {',', true});
  second.Form_Load(world.document);
  CompareDesigns(first.Sheet(), second.Sheet(), document);
  return 0;
}
