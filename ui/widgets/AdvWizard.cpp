#include "ui/widgets/AdvWizard.h"

#include <QDialog>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/AdvObjects.h"
#include "ui/widgets/HTMLLabel.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzLook.h"

namespace {

constexpr int kLargeImageWidth = 164;
constexpr char kContinueText[] = "To continue, click Next.";
constexpr char kFinishText[] = "To close the wizard, click Finish.";
constexpr char kNextCaption[] = "Next >";
constexpr char kFinishCaption[] = "Finish";

QDialog* RequireForm(QWidget* form) {
  auto* dialog = qobject_cast<QDialog*>(form);
  if (!dialog) throw EAdvanced("how did you do that - the component must be dropped on a form");
  return dialog;
}

QLabel* PlainLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QFrame* Line(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

// ---------------------------------------------------------------------------

TAdvTabSheet::TAdvTabSheet(QWidget* parent) : QWidget(parent) {}

void TAdvTabSheet::SetCaption(const std::string& caption) {
  m_caption = caption;
  emit Changed();
}

void TAdvTabSheet::SetText(const std::string& text) {
  m_text = text;
  emit Changed();
}

std::string TAdvTabSheet::Name() const {
  return FromQString(objectName());
}

// ---------------------------------------------------------------------------

TAdvWizard::TAdvWizard(QWidget* form) : QWidget(RequireForm(form)), m_form(RequireForm(form)) {
  setFont(ZuzFont());
  m_form->setFixedSize(kFormWidth, kFormHeight);
  if (!m_form->layout()) {
    auto* formLayout = new QVBoxLayout(m_form);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(this);
  }
  m_form->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // Header of the inner pages: caption, text, small image, on the base colour.
  m_header = new QWidget(this);
  m_header->setAutoFillBackground(true);
  m_header->setBackgroundRole(QPalette::Base);
  m_header->setFixedHeight(58);
  auto* headerLayout = new QHBoxLayout(m_header);
  headerLayout->setContentsMargins(16, 6, 8, 6);
  auto* headerTexts = new QVBoxLayout();
  headerTexts->setSpacing(2);
  m_headerCaption = PlainLabel(m_header);
  QFont bold = font();
  bold.setBold(true);
  m_headerCaption->setFont(bold);
  m_headerText = new THTMLLabel(m_header);
  m_headerText->setContentsMargins(16, 0, 0, 0);
  m_headerText->SetWordWrap(true);
  headerTexts->addWidget(m_headerCaption);
  headerTexts->addWidget(m_headerText, 1);
  headerLayout->addLayout(headerTexts, 1);
  m_headerImage = new QLabel(m_header);
  m_headerImage->setFixedSize(49, 49);
  headerLayout->addWidget(m_headerImage);
  layout->addWidget(m_header);
  m_headerLine = Line(this);
  layout->addWidget(m_headerLine);

  m_pages = new QStackedWidget(this);
  layout->addWidget(m_pages, 1);
  m_firstPage = MakeOuterPage("FirstPage", m_firstCaption, m_firstText, kContinueText);
  m_lastPage = MakeOuterPage("LastPage", m_lastCaption, m_lastText, kFinishText);
  SetLargeImage(DefaultLargeImage());

  layout->addWidget(Line(this));
  auto* buttons = new QHBoxLayout();
  buttons->setContentsMargins(8, 8, 8, 8);
  buttons->addStretch(1);
  m_back = new QPushButton(QStringLiteral("< Back"), this);
  m_next = new QPushButton(QString::fromLatin1(kNextCaption), this);
  m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_next->setDefault(true);
  buttons->addWidget(m_back);
  buttons->addWidget(m_next);
  buttons->addSpacing(8);
  buttons->addWidget(m_cancel);
  layout->addLayout(buttons);
  connect(m_back, &QPushButton::clicked, this, [this] { BackClick(); });
  connect(m_next, &QPushButton::clicked, this, [this] { NextClick(); });
  connect(m_cancel, &QPushButton::clicked, this, [this] { CancelClick(); });

  ShowFirstPage();
}

TAdvTabSheet* TAdvWizard::MakeOuterPage(const char* name, QLabel*& caption, THTMLLabel*& text,
                                        const char* footer) {
  auto* page = new TAdvTabSheet(m_pages);
  page->setObjectName(QString::fromLatin1(name));
  page->setAutoFillBackground(true);
  page->setBackgroundRole(QPalette::Base);
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* image = new QLabel(page);
  image->setObjectName(QStringLiteral("LargeImage"));
  image->setFixedWidth(kLargeImageWidth);
  image->setScaledContents(true);
  layout->addWidget(image);
  auto* texts = new QVBoxLayout();
  texts->setContentsMargins(16, 16, 16, 12);
  texts->setSpacing(12);
  caption = PlainLabel(page);
  QFont big = font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  caption->setFont(big);
  caption->setWordWrap(true);
  text = new THTMLLabel(page);
  text->SetWordWrap(true);
  texts->addWidget(caption);
  texts->addWidget(text);
  texts->addStretch(1);
  texts->addWidget(new THTMLLabel(footer, page));
  layout->addLayout(texts, 1);
  m_pages->addWidget(page);
  return page;
}

QPixmap TAdvWizard::DefaultLargeImage() {
  QPixmap image(kLargeImageWidth, kFormHeight);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, 0, kFormHeight);
  gradient.setColorAt(0, ZuzColour(ZuzLook().ColourNormal));
  gradient.setColorAt(1, ZuzColour(ZuzLook().ColourDark));
  painter.fillRect(image.rect(), gradient);
  return image;
}

TAdvTabSheet* TAdvWizard::AddPage(const std::string& name, const std::string& caption,
                                  const std::string& text) {
  auto* page = new TAdvTabSheet(m_pages);
  page->setObjectName(ToQString(name));
  page->SetCaption(caption);
  page->SetText(text);
  m_pages->insertWidget(m_pages->indexOf(m_lastPage), page);
  connect(page, &TAdvTabSheet::Changed, this, [this, page] {
    if (page == m_current) UpdateHeader();
  });
  return page;
}

void TAdvWizard::SetFirstCaption(const std::string& caption) {
  m_firstCaption->setText(ToQString(caption));
}

void TAdvWizard::SetFirstText(const std::string& markup) {
  m_firstText->SetCaption(markup);
}

void TAdvWizard::SetLastCaption(const std::string& caption) {
  m_lastCaption->setText(ToQString(caption));
}

void TAdvWizard::SetLastText(const std::string& markup) {
  m_lastText->SetCaption(markup);
}

void TAdvWizard::SetLargeImage(const QPixmap& image) {
  for (TAdvTabSheet* page : {m_firstPage, m_lastPage})
    page->findChild<QLabel*>(QStringLiteral("LargeImage"))->setPixmap(image);
}

void TAdvWizard::SetSmallImage(const QPixmap& image) {
  m_headerImage->setPixmap(
      image.scaled(m_headerImage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// ---------------------------------------------------------------------------
// Navigation

void TAdvWizard::ClosePage(TAdvTabSheet* page) {
  if (!page) return;
  if (page == m_firstPage) {
    if (OnFirstPageClose) OnFirstPageClose(page);
  } else if (page == m_lastPage) {
    if (OnLastPageClose) OnLastPageClose(page);
  } else if (page->OnPageClose) {
    page->OnPageClose(page);
  }
}

void TAdvWizard::OpenPage(TAdvTabSheet* page, TAdvTabSheet* previous) {
  if (page == m_firstPage) {
    if (OnFirstPageOpen) OnFirstPageOpen(previous);
  } else if (page == m_lastPage) {
    if (OnLastPageOpen) OnLastPageOpen(previous);
  } else if (page->OnPageOpen) {
    page->OnPageOpen(previous);
  }
}

void TAdvWizard::ShowPage(TAdvTabSheet* page) {
  if (!page || m_pages->indexOf(page) < 0) return;
  TAdvTabSheet* previous = m_current;
  ClosePage(previous);
  m_current = page;
  m_pages->setCurrentWidget(page);
  const bool outer = page == m_firstPage || page == m_lastPage;
  m_header->setVisible(!outer);
  m_headerLine->setVisible(!outer);
  UpdateHeader();
  m_back->setEnabled(page != m_firstPage);
  m_next->setEnabled(true);
  m_next->setText(QString::fromLatin1(page == m_lastPage ? kFinishCaption : kNextCaption));
  OpenPage(page, previous);
}

bool TAdvWizard::ShowPage(const std::string& name) {
  const QString wanted = ToQString(name);
  for (int i = 0; i < m_pages->count(); ++i) {
    auto* page = qobject_cast<TAdvTabSheet*>(m_pages->widget(i));
    if (page && page->objectName() == wanted) {
      ShowPage(page);
      return true;
    }
  }
  return false;
}

void TAdvWizard::ShowFirstPage() {
  ShowPage(m_firstPage);
}

void TAdvWizard::ShowLastPage() {
  ShowPage(m_lastPage);
}

void TAdvWizard::UpdateHeader() {
  if (!m_current || m_current == m_firstPage || m_current == m_lastPage) return;
  m_headerCaption->setText(ToQString(m_current->Caption()));
  m_headerText->SetCaption(m_current->Text());
}

void TAdvWizard::EnableBack(bool on) {
  m_back->setEnabled(on);
}

void TAdvWizard::EnableNext(bool on) {
  m_next->setEnabled(on);
}

void TAdvWizard::EnableCancel(bool on) {
  m_cancel->setEnabled(on);
}

std::string TAdvWizard::CurrentPageName() const {
  return m_current ? m_current->Name() : std::string();
}

void TAdvWizard::NextClick() {
  TAdvTabSheet* page = m_current;
  if (!page) return;
  if (page == m_lastPage) {
    if (OnFinishClick) {
      OnFinishClick(this);
    } else {
      ClosePage(page);
      m_form->accept();
    }
    return;
  }
  const auto& handler = page == m_firstPage ? OnFirstNextClick : page->OnNextClick;
  if (handler) {
    handler(page);
    return;
  }
  ShowPage(page == m_firstPage ? FirstPageNext : page->NextPage);
}

void TAdvWizard::BackClick() {
  TAdvTabSheet* page = m_current;
  if (!page || page == m_firstPage) return;
  const auto& handler = page == m_lastPage ? OnLastBackClick : page->OnBackClick;
  if (handler) {
    handler(page);
    return;
  }
  ShowPage(page == m_lastPage ? LastPageBack : page->BackPage);
}

void TAdvWizard::CancelClick() {
  if (m_inCancel) return;
  m_inCancel = true;
  if (OnCancelClick)
    OnCancelClick(this);
  else
    m_form->reject();
  m_inCancel = false;
}

bool TAdvWizard::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_form || m_inCancel) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    if (m_cancel->isEnabled()) CancelClick();
    return true;
  }
  if (event->type() == QEvent::Close && event->spontaneous()) {
    event->ignore();
    if (m_cancel->isEnabled()) CancelClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
