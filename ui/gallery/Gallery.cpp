// vexa-gallery: every control of ui/widgets on one window with sample data,
// for looking at them and for screenshots. A list of a million rows with
// mark-up, images, bars and links; a task pad; a side bar; labels; a wizard
// of three pages (its dialog is embedded so that it shows in the same
// window); the notification icon when the desktop has a notification area.
//
//   vexa-gallery [--rows N] [--screenshot FILE]
//
// With --screenshot the window is grabbed into FILE (PNG) once the event loop
// has settled, and the program ends.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/AdvFactories.h"
#include "ui/widgets/AdvWizard.h"
#include "ui/widgets/HTMLLabel.h"
#include "ui/widgets/Markup.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzBrowseDialog.h"
#include "ui/widgets/ZuzColumns.h"
#include "ui/widgets/ZuzImageList.h"
#include "ui/widgets/ZuzLook.h"
#include "ui/widgets/ZuzSideBar.h"
#include "ui/widgets/ZuzTaskpad.h"
#include "ui/widgets/ZuzTrayIcon.h"
#include "ui/widgets/ZuzView.h"

namespace {

const char* const kFirstNames[] = {
    "alice",   "bob",  "carol",  "dave",  "erin",   "frank", "grace", "heidi", "ivan",   "judy",
    "mallory", "niaj", "olivia", "peggy", "rupert", "sybil", "trent", "uma",   "victor", "wendy"};
constexpr int kNames = 20;
const char* const kSites[] = {"news.example.com", "mail.example.org",   "video.example.net",
                              "shop.example.com", "social.example.org", "search.example.com"};

// The sample rows, computed from the row number: nothing is stored per row.
std::string UserOf(int row) {
  char number[16];
  std::snprintf(number, sizeof number, ".%05d", row / kNames);
  return std::string(kFirstNames[row % kNames]) + number;
}
int HitsOf(int row) {
  return int((uint32_t(row) * 2654435761u) % 5000u);
}
double ShareOf(int row) {
  return HitsOf(row) / 5000.0;
}

QPixmap Disc(QColor colour, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(colour);
  painter.setPen(colour.darker(140));
  painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
  return pixmap;
}

QPixmap Box(bool checked, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::darkGray, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(1.5, 1.5, size - 3, size - 3));
  if (checked) {
    painter.setPen(QPen(QColor(0, 120, 0), 2));
    painter.drawPolyline(QPolygonF(
        {QPointF(3.5, size / 2.0), QPointF(size / 2.5, size - 4.0), QPointF(size - 3.5, 3.5)}));
  }
  return pixmap;
}

QPixmap Tile(QColor colour, const QString& letter, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(colour);
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(0, 0, size, size), 6, 6);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(size / 2);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, letter);
  return pixmap;
}

class TGallery : public QWidget {
 public:
  explicit TGallery(int rows) : m_rows(rows) {
    setWindowTitle(QStringLiteral("Vexa widget gallery"));
    BuildImages();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 8, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildSideBar());
    layout->addWidget(BuildTaskpad());
    auto* centre = new QVBoxLayout();
    centre->setContentsMargins(8, 8, 8, 8);
    centre->setSpacing(6);
    BuildLabels(centre);
    centre->addWidget(BuildView(), 1);
    m_status = new THTMLLabel("Click a link, a header or a task.", this);
    centre->addWidget(m_status);
    layout->addLayout(centre, 1);
    auto* right = new QVBoxLayout();
    right->setContentsMargins(0, 8, 0, 8);
    right->setSpacing(6);
    right->addWidget(BuildWizard(m_wizard));
    // A second copy standing on an inner page, to show the page header.
    TAdvWizard* inner = nullptr;
    right->addWidget(BuildWizard(inner));
    inner->ShowPage("Match");
    right->addStretch(1);
    layout->addLayout(right);
    BuildTrayIcon();
  }

  TZuzView* View() const { return m_view; }
  // A selection to look at: a focused row and two more selected.
  void SampleSelection() {
    m_view->Focus(2);
    m_view->Select(4);
    m_view->Select(5);
  }

 private:
  void Report(const std::string& what, const std::string& data) {
    // Data is escaped before it goes into mark-up.
    m_status->SetCaption(what + " <b>" + MarkupEscape(data) + "</b>");
  }

  void BuildImages() {
    const QColor colours[] = {QColor(0x2E, 0x7D, 0x32), QColor(0xF9, 0xA8, 0x25),
                              QColor(0xC6, 0x28, 0x28), QColor(0x15, 0x65, 0xC0)};
    for (const QColor& c : colours) m_images.Add(Disc(c, 16));
    m_states.Add(Box(false, 14));
    m_states.Add(Box(true, 14));
    const char* letters = "ITPAUS";
    const QColor tiles[] = {QColor(0x15, 0x65, 0xC0), QColor(0xC6, 0x28, 0x28),
                            QColor(0x6A, 0x1B, 0x9A), QColor(0x2E, 0x7D, 0x32),
                            QColor(0xEF, 0x6C, 0x00), QColor(0x00, 0x83, 0x8F)};
    for (int i = 0; i < 6; ++i) m_large.Add(Tile(tiles[i], QString(QChar(letters[i])), 32));
    for (int i = 0; i < 4; ++i) m_small.Add(Disc(colours[i], 16));
  }

  TZuzSideBar* BuildSideBar() {
    auto* bar = new TZuzSideBar(this);
    bar->SetImages(&m_large);
    TZuzSideBarBand& views = bar->AddBand("Views");
    int image = 0;
    for (const char* name : {"Inputs", "Triggers", "Profiles", "Aliases", "Users", "Sites"})
      views.Buttons.push_back({name, image++, std::string(name) != "Sites"});
    bar->AddBand("Tools").Buttons.push_back({"Options", 0, true});
    bar->Changed();
    bar->OnButtonClick = [this, bar](int band, int button) {
      Report("Side bar:", bar->Band(band).Buttons[size_t(button)].Name);
    };
    return bar;
  }

  TZuzTaskpad* BuildTaskpad() {
    auto* pad = new TZuzTaskpad(this);
    pad->SetImages(&m_small);
    TZuzGroup* list = pad->AddGroup(
        "List Tasks", "A list of <b>" + std::to_string(m_rows) +
                          "</b> rows; only the rows on screen are asked for. <a help>How?</a>");
    list->AddAction(
        "Go to the first row", [this](TZuzAction*) { m_view->Focus(0); }, 0);
    list->AddAction(
        "Go to the last row", [this](TZuzAction*) { m_view->Focus(m_view->Count() - 1); }, 3);
    list->AddAction("Delete the user", {}, 2)->Enabled = false;
    TZuzGroup* other = pad->AddGroup("Other Tasks", "Dialogs of the kit.");
    other->AddAction(
        "Browse for a folder...",
        [this](TZuzAction*) {
          TZuzBrowseDialog browse(this);
          browse.Folder = FromQString(QDir::homePath());
          if (browse.Execute()) Report("Folder:", browse.Folder);
        },
        1);
    other->AddAction(
        "Restart the wizard",
        [this](TZuzAction*) {
          m_wizard->ShowFirstPage();
          m_wizard->Form()->show();
        },
        1);
    pad->AddGroup("Collapsed Group", "Hidden until expanded.")->Expanded = false;
    pad->Changed();
    pad->OnLink = [this](const std::string& link) { Report("Task pad link:", link); };
    return pad;
  }

  void BuildLabels(QVBoxLayout* layout) {
    auto* guide = new THTMLLabel(
        "<b>Users</b> lists everyone seen in the logs. Click a <i>site</i> link to see its "
        "hits, or <a guide>read the guide</a>. Data shows as written: " +
            MarkupEscape("<Tom & Jerry>") + ".",
        this);
    guide->SetWordWrap(true);
    guide->OnHyperLink = [this](THTMLLabel*, const std::string& link) {
      Report("Label link:", link);
    };
    layout->addWidget(guide);
    auto* cut = new THTMLLabel(
        "Without word wrap a long caption is cut and ends in an ellipsis, however much more it "
        "says",
        this);
    cut->setMaximumWidth(360);
    layout->addWidget(cut);
  }

  TZuzView* BuildView() {
    m_view = new TZuzView(this);
    TZuzColumns& columns = m_view->Columns();
    columns.AddColumn("User", "Users", 150);
    columns.AddColumn("Site", "", 210);
    columns.AddColumn("Hits", "", 60, true, TZuzHorizontal::Right);
    columns.AddColumn("Share", "", 60, true, TZuzHorizontal::Right);
    columns.Column(2)->Order = TZuzOrder::Descending;
    columns.Column(0)->Footer = std::to_string(m_rows) + " users";
    m_view->ColumnsChanged();
    m_view->SetImages(&m_images);
    m_view->SetStates(&m_states);
    m_view->SetMultiSelect(true);
    m_view->SetHintDelay(300);
    m_view->OnData = [this](int index, TZuzItem& item) {
      const int row = m_reversed ? m_rows - 1 - index : index;
      item.Captions[0] = MarkupEscape(UserOf(row));
      item.Captions[1] = "<b>" + MarkupEscape(kSites[row % 6]) + "</b> <a open>details</a>";
      item.Captions[2] = std::to_string(HitsOf(row));
      char share[16];
      std::snprintf(share, sizeof share, "%.0f%%", ShareOf(row) * 100);
      item.Captions[3] = share;
      item.Image = row % 4;
      item.State = row % 3 == 0 ? 1 : 0;
      item.Indent = row % 7 == 3 ? 1 : 0;
      item.Bar = ShareOf(row);
      item.Enabled = row % 11 != 5;
    };
    m_view->OnFind = [this](const std::string& text, int& index) {
      // Names repeat every twenty rows: look a bounded way ahead.
      const int start = std::max(0, index);
      for (int n = 0; n < std::min(m_rows, kNames * 5000); ++n) {
        const int row = (start + (text.size() > 1 ? n : n + 1)) % m_rows;
        if (UserOf(m_reversed ? m_rows - 1 - row : row).rfind(text, 0) == 0) {
          index = row;
          return true;
        }
      }
      return false;
    };
    m_view->OnLink = [this](int index, const std::string& link) {
      Report("Link '" + MarkupEscape(link) + "' of row", std::to_string(index));
    };
    m_view->OnColumnClick = [this](int column) {
      m_view->Columns().ToggleSort(column);
      m_reversed = m_view->Columns().Column(column)->Order == TZuzOrder::Descending;
      m_view->ColumnsChanged();
    };
    m_view->OnStateClick = [this](int index) {
      Report("State image of row", std::to_string(index));
    };
    m_view->SetCount(m_rows);
    return m_view;
  }

  QWidget* BuildWizard(TAdvWizard*& wizard) {
    // The wizard's dialog, embedded so that it shows beside the other controls.
    auto* form = new QDialog(this);
    form->setWindowFlags(Qt::Widget);
    wizard = new TAdvWizard(form);
    TAdvWizard* w = wizard;
    w->SetFirstCaption("Welcome to the Trigger Wizard");
    w->SetFirstText(
        "This wizard creates a <b>trigger</b>: a rule that raises an alert when a hit matches it.");
    w->SetLastCaption("Completing the Trigger Wizard");
    w->SetLastText("The trigger <b>Streaming video</b> is ready.");
    w->SetSmallImage(Tile(QColor(0xC6, 0x28, 0x28), QStringLiteral("T"), 48));
    TAdvTabSheet* name = w->AddPage("Name", "Trigger Name", "Choose a name for the trigger.");
    TAdvTabSheet* match = w->AddPage("Match", "What to Match", "Which hits raise the alert.");
    TAdvTabSheet* act = w->AddPage("Actions", "Actions", "What happens when it matches.");
    w->FirstPageNext = name;
    name->NextPage = match;
    match->BackPage = name;
    match->NextPage = act;
    act->BackPage = match;
    act->NextPage = w->LastPage();
    w->LastPageBack = act;
    auto* label =
        new THTMLLabel("Sites matching <b>*video*</b> during <i>working hours</i>.", match);
    label->setGeometry(16, 16, 400, 40);
    w->OnFinishClick = [this](TAdvWizard* sender) {
      Report("Wizard:", "Finish");
      sender->ShowFirstPage();
    };
    w->OnCancelClick = [this](TAdvWizard* sender) {
      Report("Wizard:", "Cancel");
      sender->ShowFirstPage();
    };
    return form;
  }

  void BuildTrayIcon() {
    m_tray = new TZuzTrayIcon(this);
    m_tray->SetIcon(QIcon(Disc(QColor(0x15, 0x65, 0xC0), 32)));
    m_tray->SetHint("Vexa: monitoring " + std::to_string(m_rows) + " sample rows");
    m_menu = new QMenu(this);
    m_menu->addAction(MenuCaption("Show Status & Alerts"));
    m_tray->SetPopupMenu(m_menu);
    m_tray->OnDblClick = [this] { raise(); };
    if (QSystemTrayIcon::isSystemTrayAvailable()) m_tray->SetVisible(true);
  }

  const int m_rows;
  bool m_reversed = false;
  TZuzImageList m_images{QSize(16, 16)};
  TZuzImageList m_states{QSize(14, 14)};
  TZuzImageList m_large{QSize(32, 32)};
  TZuzImageList m_small{QSize(16, 16)};
  TZuzView* m_view = nullptr;
  TAdvWizard* m_wizard = nullptr;
  THTMLLabel* m_status = nullptr;
  TZuzTrayIcon* m_tray = nullptr;
  QMenu* m_menu = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  RegisterCoreClasses();
  RegisterWidgetClasses();
  int rows = 1000000;
  QString screenshot;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) {
      screenshot = args[++i];
    } else if (args[i] == QLatin1String("--rows") && i + 1 < args.size()) {
      bool ok = false;
      rows = args[++i].toInt(&ok);
      if (!ok || rows < 0) {
        std::fprintf(stderr, "vexa-gallery: --rows needs a count of rows\n");
        return 2;
      }
    } else {
      std::fprintf(stderr, "usage: vexa-gallery [--rows N] [--screenshot FILE]\n");
      return 2;
    }
  }
  TGallery gallery(rows);
  gallery.resize(1440, 800);
  gallery.show();
  gallery.SampleSelection();
  if (!screenshot.isEmpty()) {
    // Grab after the first paints and layout passes have run.
    QTimer::singleShot(1500, &gallery, [&] {
      gallery.View()->setFocus();
      QApplication::processEvents();
      const bool saved = gallery.grab().save(screenshot, "PNG");
      if (!saved) std::fprintf(stderr, "vexa-gallery: cannot write %s\n", qPrintable(screenshot));
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
