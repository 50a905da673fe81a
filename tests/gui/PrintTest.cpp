// Printing and the exports from the window: "Projet" › "Imprimer…" shows the report in a print
// preview, the export dialogs add the extension, and the drawing of the "Vérification" window
// keeps its legend whole.

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QTextBlock>
#include <QTimer>

#include "app/CheckPanel.h"
#include "gui/WindowFixture.h"
#include "report/WindingWindow.h"
#include "ui/CheckWindow.h"
#include "ui/PdfReport.h"
#include "util/Paths.h"

namespace kel::test {
namespace {

// Runs answer on the first modal dialog of type D that opens, then lets the caller go on.
template <class D, class Answer>
void WhenModal(QObject* owner, Answer answer) {
  auto* poll = new QTimer(owner);
  QObject::connect(poll, &QTimer::timeout, [poll, answer] {
    auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    poll->stop();
    answer(dialog);
  });
  poll->start(5);
}

TEST_F(WindowTest, CtrlPShowsTheReportInAPrintPreview) {
  Open();
  QString title, name, folder;
  int pages = 0;
  const std::string printed = dir_.File("imprime.pdf");
  WhenModal<QPrintPreviewDialog>(window_.get(), [&](QPrintPreviewDialog* preview) {
    title = preview->windowTitle();
    auto* view = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(view, nullptr);
    view->updatePreview();
    pages = view->pageCount();
    // What the printer button would send to the system's printer, sent to a file instead.
    QPrinter* printer = preview->printer();
    EXPECT_EQ(printer->pageLayout().pageSize().id(), QPageSize::A4);
    // The print dialog proposes to print to the job's name with ".pdf" in the current folder:
    // as the export, "exemple.pdf" beside the document, no colon.
    folder = QDir::currentPath();
    name = printer->docName();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(printed));
    view->print();
    preview->reject();
  });
  const QString before = QDir::currentPath();
  Press(Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(title, "Aperçu avant impression");
  EXPECT_EQ(name, "exemple");
  EXPECT_EQ(folder.toStdString(), FolderOf(document_));
  EXPECT_EQ(QDir::currentPath(), before);
  EXPECT_EQ(pages, 3);
  QProcess text;
  text.start("pdftotext", {QString::fromStdString(printed), "-"});
  ASSERT_TRUE(text.waitForFinished(20000)) << "pdftotext (poppler-utils)";
  const std::string report = text.readAllStandardOutput().toStdString();
  for (const char* wanted :
       {"exemple.kel", "Rapport du", "609", "Fiche de fabrication", "À vide et mise sous tension",
        "Verdict à vide", "page 1/3", "page 3/3"}) {
    EXPECT_NE(report.find(wanted), std::string::npos) << wanted << "\n" << report;
  }
}

// One word of 100 kB as remarks (a pasted blob): laid out as one line it took the window seconds
// (300 kB, half a minute) at every start, and the report minutes. The box breaks it into lines of
// its width; the report shows its start and says how much more the document keeps.
TEST_F(WindowTest, LongUnbrokenRemarksAreBrokenInTheBoxAndBoundedInTheReport) {
  const std::string word(100000, 'x');
  {
    test::FakePlatform writer_platform;
    writer_platform.executable_path = platform_.executable_path;
    MainForm writer(writer_platform, {',', true});
    writer.Form_Load(document_);
    writer.TxRem_Change(word);
    ASSERT_EQ(writer.SaveDesign(), MainForm::SaveOutcome::Saved);
  }
  Open();
  EXPECT_EQ(form_->Sheet().TxRem, word) << "the document keeps every byte";
  auto* box = Find<QPlainTextEdit>("TxRem");
  const QTextBlock block = box->document()->firstBlock();
  box->document()->documentLayout()->blockBoundingRect(block);  // lays the block out
  ASSERT_NE(block.layout(), nullptr);
  EXPECT_GT(block.layout()->lineCount(), 100);
  EXPECT_LE(block.layout()->lineAt(0).naturalTextWidth(), box->viewport()->width());
  // Broken anywhere, without the search for a word boundary that made each line cost the whole
  // word; typed remarks are broken at blanks again.
  EXPECT_EQ(box->wordWrapMode(), QTextOption::WrapAnywhere);
  QTest::mouseClick(box->viewport(), Qt::LeftButton);
  Press(Qt::Key_A, Qt::ControlModifier);
  Type("deux mots");
  EXPECT_EQ(form_->Sheet().TxRem, "deux mots");
  EXPECT_EQ(box->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
  form_->TxRem_Change(word);

  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  QPdfWriter writer(&pdf);
  const DesignCheck check = CheckFormWith(*form_, {});
  const auto report = ui::ReportDocument(FormReportInput(*form_, check, nullptr), writer);
  const QString text = report->toPlainText();
  EXPECT_LT(text.size(), 40000);
  EXPECT_TRUE(
      text.contains("remarques coupées ici ; le document en garde 80000 caractères de plus"));
  const QTextBlock remarks = report->find(QString(1000, 'x')).block();
  ASSERT_TRUE(remarks.isValid());
  EXPECT_GT(remarks.layout()->lineCount(), 10);
}

TEST_F(WindowTest, ExportDialogAddsTheExtension) {
  Open();
  WhenModal<QFileDialog>(window_.get(), [](QFileDialog* dialog) {
    TypeFileName(dialog, "rapport");
    static_cast<QDialog*>(dialog)->accept();
  });
  Find<QAction>("MnuExporterPdf")->trigger();
  EXPECT_EQ(ReadFile(dir_.File("rapport.pdf")).rfind("%PDF", 0), 0u);
  EXPECT_EQ(window_->findChild<QWidget*>("FmVerification"), nullptr) << "the check was opened";
}

// A design on a core too small for it, so that the sheet advises another. Printing and "Exporter
// en PDF…" read the core search the form holds, the one the check window follows, and never
// search on the window's thread: without the check window the export starts that search and
// waits for it; the next export reads the same result.
class TooSmallCoreTest : public WindowTest {
  std::string DesignText() const override {
    return "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=3\n"
           "[NOYAU]\nType=EI10\n";
  }
};

TEST_F(TooSmallCoreTest, TheReportReadsTheSearchTheFormHolds) {
  Open();
  ASSERT_FALSE(form_->CoreSearch().Poll().result) << "searched before the check was asked for";
  const auto export_as = [this](const QString& name) {
    WhenModal<QFileDialog>(window_.get(), [name](QFileDialog* dialog) {
      TypeFileName(dialog, name);
      static_cast<QDialog*>(dialog)->accept();
    });
    Find<QAction>("MnuExporterPdf")->trigger();
    QProcess text;
    text.start("pdftotext", {QString::fromStdString(dir_.File(name.toStdString() + ".pdf")), "-"});
    EXPECT_TRUE(text.waitForFinished(20000)) << "pdftotext (poppler-utils)";
    return text.readAllStandardOutput().toStdString();
  };
  const std::string first = export_as("premier");
  const CoreSearchRunner::State held = form_->CoreSearch().Poll();
  ASSERT_TRUE(held.result);
  ASSERT_TRUE(held.result->advised) << held.result->none;
  const std::string advised = "Noyau conseillé : " + held.result->cores[*held.result->advised].name;
  EXPECT_NE(first.find(advised), std::string::npos) << first;
  EXPECT_EQ(first.find("non calculé"), std::string::npos) << first;
  const std::string second = export_as("second");
  EXPECT_EQ(form_->CoreSearch().Poll().result, held.result) << "searched again";
  EXPECT_NE(second.find(advised), std::string::npos) << second;
}

class FiveWindingsTest : public WindowTest {
  std::string DesignText() const override {
    return "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=250\nAmps1=0.1\n"
           "Volts2=6.3\nAmps2=3\nVolts3=5\nAmps3=2\nVolts4=12\nAmps4=0.5\n";
  }
};

TEST_F(FiveWindingsTest, TheWindowsDrawingKeepsItsLegendWhole) {
  Open();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  QWidget* drawing = check->findChild<QWidget*>("DessinFenetre");
  ASSERT_NE(drawing, nullptr);
  for (const QSize size : {QSize(260, 420), QSize(700, 300)}) {
    drawing->setMinimumSize(size);
    drawing->setMaximumSize(size);
    check->adjustSize();
    QApplication::processEvents();
    ASSERT_EQ(drawing->size(), size);
    // The view paints the picture 8 pixels inside its edges: nothing reaches them, and the
    // last winding's colour is in the legend.
    const QImage image = drawing->grab().toImage();
    int edge = 0, last = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const bool near_edge = x < 4 || y < 4 || x >= image.width() - 4 || y >= image.height() - 4;
        edge += near_edge && image.pixelColor(x, y) != Qt::white;
        last += image.pixelColor(x, y) == QColor(WindingColour(4));
      }
    }
    EXPECT_EQ(edge, 0) << size.width() << "×" << size.height();
    EXPECT_GT(last, 0);
  }
}

}  // namespace
}  // namespace kel::test
