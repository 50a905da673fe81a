#pragma once
// The real window on a scripted platform, started on a known design and a catalogue made in a
// temporary folder, with helpers that drive it by key and mouse events.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "gui/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "ui/MainWindow.h"

namespace kel::test {

// 230 V primary, one 100 V 1 A secondary, 1.7 T, 3.6 A/mm².
inline constexpr const char* kExampleDesign =
    "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n";

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_.executable_path = dir_.File("kelvanor");
    // EI10 carries the example; EI20, heavier, takes over when the power grows.
    const std::string catalogue = MakeCatalogue(
        dir_.File("noyaux.db"), {{"EI10", 10, 0.6, 12, 30, 20}, {"EI20", 20, 1.2, 15, 35, 25}});
    WriteFile(dir_.File("kelvanor.ini"), "[GLOBAL]\nDataBase=" + catalogue + "\n");
    document_ = dir_.File("exemple.kel");
    WriteFile(document_, DesignText());
  }

  virtual std::string DesignText() const { return kExampleDesign; }

  // Starts the window as the program does and waits until it has the keyboard.
  void Open() {
    form_ = std::make_unique<MainForm>(platform_, MainFormOptions{',', true});
    window_ = std::make_unique<ui::MainWindow>(*form_);
    window_->Start(document_);
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  void TearDown() override { window_.reset(); }

  template <class W>
  W* Find(const char* name) const {
    W* widget = window_->findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* Field(const char* name) const { return Find<QLineEdit>(name); }
  QLabel* Label(const char* name) const { return Find<QLabel>(name); }
  std::string Text(const char* name) const {
    if (auto* field = window_->findChild<QLineEdit*>(name)) return field->text().toStdString();
    return Label(name)->text().toStdString();
  }
  static QColor TextColourOf(const QWidget* widget) {
    return widget->palette().color(qobject_cast<const QLabel*>(widget) ? QPalette::WindowText
                                                                       : QPalette::Text);
  }

  static QWidget* Focused() { return QApplication::focusWidget(); }
  static QString FocusedName() { return Focused() ? Focused()->objectName() : QString(); }
  static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focused(), key, modifiers);
  }
  static void Type(const char* text) { QTest::keyClicks(Focused(), text); }
  // Moves the focus with the Tab key, as the user would, until it reaches the named control.
  void TabTo(const char* name) {
    for (int i = 0; i < 40 && FocusedName() != name; ++i) Press(Qt::Key_Tab);
    ASSERT_EQ(FocusedName(), QString(name));
  }
  // A real double-click on an entry of the core list.
  void DoubleClickCore(int row) {
    QListWidget* list = Find<QListWidget>("LstCore");
    // The list lays its entries out on the next pass of the event loop.
    QApplication::processEvents();
    const QRect entry = list->visualItemRect(list->item(row));
    ASSERT_FALSE(entry.isEmpty());
    // A real double-click starts with a click; the test library sends only the second half.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry.center());
  }
  int Recalculations() const { return form_->Recalculations(); }

  TempDir dir_;
  ScriptedPlatform platform_;
  std::string document_;
  std::unique_ptr<MainForm> form_;
  std::unique_ptr<ui::MainWindow> window_;
};

// Types name in a file dialog's name field, as the user does. selectFile leaves the field as it
// is once the field has the focus, which a loaded machine may give it before a test looks.
inline void TypeFileName(QFileDialog* dialog, const QString& name) {
  auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(field, nullptr);
  field->setText(name);
}

}  // namespace kel::test
