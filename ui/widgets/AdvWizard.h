// The wizard control: TAdvWizard fills a dialog with a first page, inner
// pages (TAdvTabSheet) and a last page, a header showing the current inner
// page's caption and text, and the buttons "< Back", "Next >" (the default
// button; "Finish" on the last page) and "Cancel".
//
// The control only navigates; what a wizard asks and writes back lives with
// its owner. Navigation:
//   - opening a page runs the previous page's close handler, makes the page
//     current, then runs its open handler with the previous page;
//   - "Next >" runs the page's next handler when assigned (it decides where to
//     go), else goes to its NextPage (the first page's is FirstPageNext); no
//     target, no move. On the last page the button reads "Finish": it runs
//     OnFinishClick when assigned, else the last page's close handler, and
//     the dialog closes with OK;
//   - "< Back" runs the page's back handler (the last page's is
//     OnLastBackClick), else goes to its BackPage (the last page's is
//     LastPageBack);
//   - "Cancel" (also Escape and the window's close button) runs OnCancelClick
//     when assigned, else closes the dialog with Cancel; no close handler
//     runs.
// The first and last pages are TAdvTabSheet objects named "FirstPage" and
// "LastPage"; their handlers are the wizard's OnFirst…/OnLast… events.
//
// Creating the wizard makes its dialog a fixed 503 × 386 window. It must be
// created on a dialog: anything else raises EAdvanced.
//
// Thread safety: main thread only.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <string>

class QDialog;
class QLabel;
class QPushButton;
class QStackedWidget;
class THTMLLabel;

class TAdvTabSheet : public QWidget {
  Q_OBJECT

 public:
  explicit TAdvTabSheet(QWidget* parent = nullptr);

  const std::string& Caption() const { return m_caption; }
  void SetCaption(const std::string& caption);
  const std::string& Text() const { return m_text; }
  void SetText(const std::string& text);
  std::string Name() const;

  TAdvTabSheet* NextPage = nullptr;
  TAdvTabSheet* BackPage = nullptr;
  std::function<void(TAdvTabSheet* sender)> OnNextClick;
  std::function<void(TAdvTabSheet* sender)> OnBackClick;
  std::function<void(TAdvTabSheet* previous)> OnPageOpen;
  std::function<void(TAdvTabSheet* sender)> OnPageClose;

 signals:
  // The caption or text changed (the wizard's header follows).
  void Changed();

 private:
  std::string m_caption = "Page Caption";
  std::string m_text = "Page Text";
};

class TAdvWizard : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kFormWidth = 503;
  static constexpr int kFormHeight = 386;

  // `form` must be the dialog the wizard fills.
  explicit TAdvWizard(QWidget* form);

  TAdvTabSheet* FirstPage() const { return m_firstPage; }
  TAdvTabSheet* LastPage() const { return m_lastPage; }
  // Adds an inner page before the last page; the owner puts its controls on
  // the returned page. `name` is what ShowPage and CurrentPageName use.
  TAdvTabSheet* AddPage(const std::string& name, const std::string& caption,
                        const std::string& text);

  void SetFirstCaption(const std::string& caption);  // FirstCaptionString
  void SetFirstText(const std::string& markup);      // FirstTextString
  void SetLastCaption(const std::string& caption);   // LastCaptionString
  void SetLastText(const std::string& markup);       // LastTextString
  void SetLargeImage(const QPixmap& image);
  void SetSmallImage(const QPixmap& image);

  void ShowFirstPage();
  void ShowLastPage();
  void ShowPage(TAdvTabSheet* page);
  // By name; false when no page has it.
  bool ShowPage(const std::string& name);
  void EnableBack(bool on);
  void EnableNext(bool on);
  void EnableCancel(bool on);
  TAdvTabSheet* CurrentPage() const { return m_current; }
  std::string CurrentPageName() const;

  // The buttons' actions, as a click runs them.
  void NextClick();
  void BackClick();
  void CancelClick();

  QPushButton* BackButton() const { return m_back; }
  QPushButton* NextButton() const { return m_next; }
  QPushButton* CancelButton() const { return m_cancel; }
  QDialog* Form() const { return m_form; }

  TAdvTabSheet* FirstPageNext = nullptr;
  TAdvTabSheet* LastPageBack = nullptr;
  std::function<void(TAdvTabSheet* previous)> OnFirstPageOpen;
  std::function<void(TAdvTabSheet* sender)> OnFirstPageClose;
  std::function<void(TAdvTabSheet* sender)> OnFirstNextClick;
  std::function<void(TAdvTabSheet* previous)> OnLastPageOpen;
  std::function<void(TAdvTabSheet* sender)> OnLastPageClose;
  std::function<void(TAdvTabSheet* sender)> OnLastBackClick;
  std::function<void(TAdvWizard* sender)> OnFinishClick;
  std::function<void(TAdvWizard* sender)> OnCancelClick;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TAdvTabSheet* MakeOuterPage(const char* name, QLabel*& caption, THTMLLabel*& text,
                              const char* footer);
  void ClosePage(TAdvTabSheet* page);
  void OpenPage(TAdvTabSheet* page, TAdvTabSheet* previous);
  void UpdateHeader();
  static QPixmap DefaultLargeImage();

  QDialog* m_form;
  QStackedWidget* m_pages = nullptr;
  QWidget* m_header = nullptr;
  QLabel* m_headerCaption = nullptr;
  THTMLLabel* m_headerText = nullptr;
  QLabel* m_headerImage = nullptr;
  QWidget* m_headerLine = nullptr;
  TAdvTabSheet* m_firstPage = nullptr;
  TAdvTabSheet* m_lastPage = nullptr;
  QLabel* m_firstCaption = nullptr;
  THTMLLabel* m_firstText = nullptr;
  QLabel* m_lastCaption = nullptr;
  THTMLLabel* m_lastText = nullptr;
  QPushButton* m_back = nullptr;
  QPushButton* m_next = nullptr;
  QPushButton* m_cancel = nullptr;
  TAdvTabSheet* m_current = nullptr;
  bool m_inCancel = false;
};
