#include "classify/tests/ShippedDefaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "classify/ClassifyClasses.h"
#include "core/AdvAscii.h"
#include "core/AdvFactories.h"
#include "core/AdvTexts.h"
#include "monitor/Hits.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace {

namespace fs = std::filesystem;

std::string ShippedFile(const std::string& name) {
  return vexatest::SourceDir() + "/share/vexa/" + name;
}

// Host and path of well-known sites (what MatchText makes of a web hit), and
// the category the shipped profiles must give.
const std::vector<std::pair<const char*, const char*>> kKnownSites = {
    {"www.google.com/search", "Search Engines"},
    {"www.google.co.uk/", "Search Engines"},
    {"www.bing.com/search", "Search Engines"},
    {"duckduckgo.com/", "Search Engines"},
    {"search.yahoo.com/search", "Search Engines"},
    {"www.baidu.com/s", "Search Engines"},
    {"yandex.ru/search/", "Search Engines"},
    {"www.ecosia.org/search", "Search Engines"},
    {"search.brave.com/search", "Search Engines"},
    {"www.startpage.com/do/search", "Search Engines"},
    {"www.yahoo.com/", "Search Engines"},
    {"www.naver.com/", "Search Engines"},
    {"www.facebook.com/groups/123", "Social Networking"},
    {"static.xx.fbcdn.net/rsrc.php/v3/y4/r/img.png", "Social Networking"},
    {"www.instagram.com/p/abc/", "Social Networking"},
    {"scontent.cdninstagram.com/v/t51/photo.jpg", "Social Networking"},
    {"twitter.com/home", "Social Networking"},
    {"pbs.twimg.com/media/x.jpg", "Social Networking"},
    {"www.linkedin.com/feed/", "Social Networking"},
    {"www.tiktok.com/@someone", "Social Networking"},
    {"www.reddit.com/r/linux/", "Social Networking"},
    {"i.redd.it/abc.png", "Social Networking"},
    {"www.pinterest.com/pin/1/", "Social Networking"},
    {"vk.com/feed", "Social Networking"},
    {"www.tumblr.com/dashboard", "Social Networking"},
    {"www.quora.com/What-is", "Social Networking"},
    {"web.snapchat.com/", "Social Networking"},
    {"mail.google.com/mail/u/0/", "Web Mail"},
    {"outlook.live.com/mail/0/inbox", "Web Mail"},
    {"outlook.office365.com/owa/", "Web Mail"},
    {"mail.yahoo.com/d/folders/1", "Web Mail"},
    {"mail.proton.me/u/0/inbox", "Web Mail"},
    {"www.gmx.net/mail/", "Web Mail"},
    {"webmail.example.org/", "Web Mail"},
    {"mail.corp.example.com/owa/auth/logon.aspx", "Web Mail"},
    {"www.icloud.com/mail/", "Web Mail"},
    {"e.mail.ru/inbox/", "Web Mail"},
    {"app.tuta.com/mail", "Web Mail"},
    {"www.fastmail.com/mail/Inbox", "Web Mail"},
    {"www.bbc.co.uk/news/world-123", "News"},
    {"www.bbc.com/news", "News"},
    {"edition.cnn.com/world", "News"},
    {"www.nytimes.com/2024/01/01/world/story.html", "News"},
    {"www.theguardian.com/uk-news/2024/jan/01/story", "News"},
    {"www.reuters.com/world/", "News"},
    {"www.washingtonpost.com/politics/", "News"},
    {"news.google.com/topstories", "News"},
    {"news.yahoo.com/", "News"},
    {"apnews.com/article/x", "News"},
    {"www.npr.org/sections/news/", "News"},
    {"www.aljazeera.com/news/", "News"},
    {"www.bloomberg.com/markets", "News"},
    {"www.ft.com/world", "News"},
    {"www.spiegel.de/politik/", "News"},
    {"www.lemonde.fr/international/", "News"},
    {"www.msn.com/en-us/news", "News"},
    {"www.dailymail.co.uk/news/index.html", "News"},
    {"www.amazon.com/dp/B000123", "Shopping"},
    {"www.amazon.co.uk/gp/cart/view.html", "Shopping"},
    {"m.media-amazon.com/images/I/x.jpg", "Shopping"},
    {"www.ebay.com/itm/123", "Shopping"},
    {"i.ebayimg.com/images/g/x/s-l500.jpg", "Shopping"},
    {"www.etsy.com/listing/1", "Shopping"},
    {"www.walmart.com/ip/1", "Shopping"},
    {"www.bestbuy.com/site/tv", "Shopping"},
    {"www.aliexpress.com/item/1.html", "Shopping"},
    {"www.ikea.com/gb/en/", "Shopping"},
    {"www.zalando.de/herren/", "Shopping"},
    {"www.temu.com/", "Shopping"},
    {"shop.myshopify.com/products/tee", "Shopping"},
    {"www.target.com/c/toys", "Shopping"},
    {"www.craigslist.org/about/sites", "Shopping"},
    {"www.youtube.com/watch", "Streaming Media"},
    {"r3---sn-5hne6nsz.googlevideo.com/videoplayback", "Streaming Media"},
    {"i.ytimg.com/vi/abc/hqdefault.jpg", "Streaming Media"},
    {"www.netflix.com/browse", "Streaming Media"},
    {"ipv4-c001-lhr001.1.oca.nflxvideo.net/range/0-1000", "Streaming Media"},
    {"open.spotify.com/track/1", "Streaming Media"},
    {"www.twitch.tv/somechannel", "Streaming Media"},
    {"vimeo.com/12345", "Streaming Media"},
    {"www.disneyplus.com/home", "Streaming Media"},
    {"www.primevideo.com/detail/1", "Streaming Media"},
    {"www.amazon.com/gp/video/detail/B0/", "Streaming Media"},
    {"www.bbc.co.uk/iplayer/episode/m0001", "Streaming Media"},
    {"www.bbc.co.uk/sounds/play/live", "Streaming Media"},
    {"soundcloud.com/artist/track", "Streaming Media"},
    {"www.deezer.com/en/", "Streaming Media"},
    {"music.apple.com/us/album/1", "Streaming Media"},
    {"music.amazon.com/albums/1", "Streaming Media"},
    {"tunein.com/radio/", "Streaming Media"},
    {"www.dailymotion.com/video/x1", "Streaming Media"},
    {"store.steampowered.com/app/570/", "Games"},
    {"steamcommunity.com/id/player", "Games"},
    {"www.epicgames.com/store/", "Games"},
    {"www.roblox.com/games/1", "Games"},
    {"www.minecraft.net/en-us", "Games"},
    {"eu.battle.net/account/", "Games"},
    {"www.miniclip.com/games/", "Games"},
    {"www.chess.com/play/online", "Games"},
    {"lichess.org/abcd", "Games"},
    {"poki.com/en/g/subway-surfers", "Games"},
    {"www.xbox.com/en-US/games", "Games"},
    {"store.playstation.com/en-gb/", "Games"},
    {"www.nintendo.com/games/", "Games"},
    {"www.ign.com/articles/review", "Games"},
    {"itch.io/games/free", "Games"},
    {"www.bet365.com/", "Gambling"},
    {"www.betfair.com/exchange/plus/", "Gambling"},
    {"sports.williamhill.com/betting/en-gb", "Gambling"},
    {"www.paddypower.com/football", "Gambling"},
    {"www.pokerstars.com/poker/", "Gambling"},
    {"www.888casino.com/", "Gambling"},
    {"www.draftkings.com/lobby", "Gambling"},
    {"sportsbook.fanduel.com/", "Gambling"},
    {"www.national-lottery.co.uk/games/lotto", "Gambling"},
    {"www.betway.com/", "Gambling"},
    {"www.example.com/sportsbook/nfl", "Gambling"},
    {"www.pornhub.com/", "Adult"},
    {"www.xvideos.com/video1", "Adult"},
    {"xhamster.com/videos/x", "Adult"},
    {"www.xnxx.com/", "Adult"},
    {"onlyfans.com/someone", "Adult"},
    {"chaturbate.com/", "Adult"},
    {"www.redtube.com/1", "Adult"},
    {"www.youporn.com/", "Adult"},
    {"www.indeed.com/jobs", "Job Search"},
    {"uk.indeed.com/viewjob", "Job Search"},
    {"www.monster.com/jobs/search", "Job Search"},
    {"www.glassdoor.com/Reviews/index.htm", "Job Search"},
    {"www.linkedin.com/jobs/view/123/", "Job Search"},
    {"www.ziprecruiter.com/jobs-search", "Job Search"},
    {"www.reed.co.uk/jobs/", "Job Search"},
    {"www.totaljobs.com/jobs/", "Job Search"},
    {"www.stepstone.de/jobs/", "Job Search"},
    {"acme.wd5.myworkdayjobs.com/careers", "Job Search"},
    {"boards.greenhouse.io/acme/jobs/1", "Job Search"},
    {"thepiratebay.org/search.php", "File Sharing"},
    {"1337x.to/torrent/1/", "File Sharing"},
    {"tracker.opentrackr.org/announce", "Miscellaneous"},
    {"www.mediafire.com/file/abc/file.zip/file", "File Sharing"},
    {"mega.nz/file/abc", "File Sharing"},
    {"wetransfer.com/downloads/abc", "File Sharing"},
    {"nyaa.si/view/1", "File Sharing"},
    {"www.4shared.com/", "File Sharing"},
    {"rapidgator.net/file/1", "File Sharing"},
    {"www.dropbox.com/home", "Online Storage"},
    {"dl.dropboxusercontent.com/s/abc/file.pdf", "Online Storage"},
    {"onedrive.live.com/", "Online Storage"},
    {"drive.google.com/drive/my-drive", "Online Storage"},
    {"docs.google.com/document/d/1/edit", "Online Storage"},
    {"app.box.com/folder/0", "Online Storage"},
    {"www.icloud.com/iclouddrive/", "Online Storage"},
    {"acme.sharepoint.com/sites/team", "Online Storage"},
    {"download.cnet.com/", "Software Downloads"},
    {"sourceforge.net/projects/x/", "Software Downloads"},
    {"www.softonic.com/", "Software Downloads"},
    {"filehippo.com/download_chrome/", "Software Downloads"},
    {"ninite.com/", "Software Downloads"},
    {"play.google.com/store/apps/details", "Software Downloads"},
    {"apps.apple.com/us/app/x/id1", "Software Downloads"},
    {"www.example.com/files/setup.exe", "Software Downloads"},
    {"cdn.example.net/releases/tool-2.1.msi", "Software Downloads"},
    {"download.mozilla.org/", "Software Downloads"},
    {"www.apkmirror.com/apk/", "Software Downloads"},
    {"ctldl.windowsupdate.com/msdownload/update/v3/static/trustedr/en/authrootstl.cab",
     "Software Updates"},
    {"download.windowsupdate.com/c/msdownload/update/software/x.cab", "Software Updates"},
    {"fe2.update.microsoft.com/v6/", "Software Updates"},
    {"tlu.dl.delivery.mp.microsoft.com/filestreamingservice/files/x", "Software Updates"},
    {"swcdn.apple.com/content/downloads/x.pkg", "Software Updates"},
    {"archive.ubuntu.com/ubuntu/dists/jammy/InRelease", "Software Updates"},
    {"deb.debian.org/debian/dists/bookworm/Release", "Software Updates"},
    {"update.googleapis.com/service/update2", "Software Updates"},
    {"ad.doubleclick.net/ddm/trackclk", "Advertising"},
    {"pagead2.googlesyndication.com/pagead/js/adsbygoogle.js", "Advertising"},
    {"www.google-analytics.com/analytics.js", "Advertising"},
    {"www.googletagmanager.com/gtm.js", "Advertising"},
    {"ib.adnxs.com/ut/v3", "Advertising"},
    {"static.criteo.net/js/ld/publishertag.js", "Advertising"},
    {"cdn.taboola.com/libtrc/x/loader.js", "Advertising"},
    {"widgets.outbrain.com/outbrain.js", "Advertising"},
    {"c.amazon-adsystem.com/aax2/apstag.js", "Advertising"},
    {"tracker.ad-server.example.org/", "Advertising"},
    {"sb.scorecardresearch.com/b", "Advertising"},
    {"www.paypal.com/signin", "Banking and Finance"},
    {"secure.chase.com/web/auth/dashboard", "Banking and Finance"},
    {"www.bankofamerica.com/", "Banking and Finance"},
    {"connect.secure.wellsfargo.com/auth/login", "Banking and Finance"},
    {"www.hsbc.co.uk/", "Banking and Finance"},
    {"bank.barclays.co.uk/olb/authlogin", "Banking and Finance"},
    {"www.coinbase.com/price/bitcoin", "Banking and Finance"},
    {"www.binance.com/en/trade", "Banking and Finance"},
    {"app.revolut.com/start", "Banking and Finance"},
    {"finance.yahoo.com/quote/AAPL", "Banking and Finance"},
    {"www.schwab.com/", "Banking and Finance"},
    {"wise.com/send", "Banking and Finance"},
    {"www.booking.com/hotel/gb/x.html", "Travel"},
    {"www.expedia.com/Flights", "Travel"},
    {"www.tripadvisor.com/Hotels", "Travel"},
    {"www.airbnb.com/rooms/1", "Travel"},
    {"www.skyscanner.net/transport/flights/", "Travel"},
    {"www.ryanair.com/gb/en", "Travel"},
    {"www.easyjet.com/en/", "Travel"},
    {"www.thetrainline.com/", "Travel"},
    {"www.uber.com/gb/en/ride/", "Travel"},
    {"www.kayak.com/flights", "Travel"},
    {"maps.google.com/maps", "Travel"},
    {"www.espn.com/nfl/", "Sport"},
    {"www.bbc.co.uk/sport/football", "Sport"},
    {"www.theguardian.com/sport/cricket", "Sport"},
    {"www.skysports.com/football", "Sport"},
    {"www.nfl.com/scores/", "Sport"},
    {"www.nba.com/games", "Sport"},
    {"www.premierleague.com/tables", "Sport"},
    {"www.formula1.com/en/results.html", "Sport"},
    {"sports.yahoo.com/nba/", "Sport"},
    {"edition.cnn.com/sport/tennis", "Sport"},
    {"www.strava.com/dashboard", "Sport"},
    {"www.flashscore.com/", "Sport"},
    {"web.whatsapp.com/", "Chat and Messaging"},
    {"web.telegram.org/k/", "Chat and Messaging"},
    {"discord.com/channels/@me", "Chat and Messaging"},
    {"app.slack.com/client/T1/C1", "Chat and Messaging"},
    {"teams.microsoft.com/_", "Chat and Messaging"},
    {"us02web.zoom.us/j/123", "Chat and Messaging"},
    {"meet.google.com/abc-defg-hij", "Chat and Messaging"},
    {"www.messenger.com/t/1", "Chat and Messaging"},
    {"web.skype.com/", "Chat and Messaging"},
    {"tinder.com/app/recs", "Dating"},
    {"www.match.com/", "Dating"},
    {"www.okcupid.com/home", "Dating"},
    {"bumble.com/app", "Dating"},
    {"www.pof.com/inbox", "Dating"},
    {"www.eharmony.co.uk/", "Dating"},
    {"badoo.com/encounters", "Dating"},
    {"www.hidemyass.com/proxy", "Proxies and Anonymizers"},
    {"www.torproject.org/download/", "Proxies and Anonymizers"},
    {"nordvpn.com/", "Proxies and Anonymizers"},
    {"www.expressvpn.com/", "Proxies and Anonymizers"},
    {"www.croxyproxy.com/", "Proxies and Anonymizers"},
    {"www.proxysite.com/", "Proxies and Anonymizers"},
    {"protonvpn.com/", "Proxies and Anonymizers"},
    {"www.zillow.com/homes/", "Real Estate"},
    {"www.rightmove.co.uk/property-for-sale/", "Real Estate"},
    {"www.zoopla.co.uk/to-rent/", "Real Estate"},
    {"www.realtor.com/realestateandhomes-search/", "Real Estate"},
    {"www.redfin.com/", "Real Estate"},
    {"www.coursera.org/learn/python", "Online Learning"},
    {"www.udemy.com/course/x/", "Online Learning"},
    {"www.khanacademy.org/math", "Online Learning"},
    {"www.duolingo.com/learn", "Online Learning"},
    {"quizlet.com/123/flash-cards/", "Online Learning"},
    {"www.chegg.com/homework-help/", "Online Learning"},
    {"classroom.google.com/u/0/h", "Online Learning"},
    {"www.linkedin.com/learning/course", "Online Learning"},
    {"moodle.example.ac.uk/course/view.php", "Online Learning"},
};

// Ordinary sites and paths with words that careless keywords would catch
// ("alphabet", "Essex", "newsletter", "uploads.", "microsoft.com",
// "updating", "timeslots", "googleapis" ...): none may get a category.
const std::vector<const char*> kOrdinarySites = {
    "www.python.org/downloads/release/python-3120/",
    "docs.python.org/3/library/os.html",
    "www.debian.org/doc/",
    "www.kernel.org/",
    "gcc.gnu.org/onlinedocs/",
    "www.gnu.org/licenses/gpl-3.0.html",
    "www.w3.org/TR/html52/",
    "developer.mozilla.org/en-US/docs/Web/HTTP",
    "en.wikipedia.org/wiki/Proxy_server",
    "www.wikipedia.org/",
    "www.britannica.com/topic/alphabet",
    "www.merriam-webster.com/dictionary/bet",
    "www.nasa.gov/missions/",
    "www.weather.gov/forecast",
    "www.metoffice.gov.uk/weather/forecast",
    "www.accuweather.com/",
    "www.timeanddate.com/worldclock/",
    "www.who.int/health-topics",
    "www.cdc.gov/flu/",
    "www.irs.gov/forms-instructions",
    "www.gov.uk/browse/tax",
    "www.nhs.uk/conditions/",
    "stackoverflow.com/questions/123/how-to",
    "github.com/torvalds/linux",
    "gitlab.com/explore",
    "www.apache.org/licenses/",
    "www.postgresql.org/docs/current/",
    "www.sqlite.org/lang.html",
    "www.mysql.com/",
    "www.oracle.com/java/",
    "www.ibm.com/products",
    "www.intel.com/content/www/us/en/products.html",
    "www.cisco.com/c/en/us/support/index.html",
    "www.dell.com/support/home/",
    "www.microsoft.com/en-us/windows",
    "learn.microsoft.com/en-us/dotnet/",
    "www.essex.ac.uk/",
    "www.sussex.ac.uk/study",
    "www.ox.ac.uk/admissions",
    "www.cam.ac.uk/",
    "web.mit.edu/",
    "www.stanford.edu/academics/",
    "www.un.org/en/",
    "europa.eu/",
    "www.bundesregierung.de/breg-de",
    "www.example.com/newsletter/signup",
    "www.example.com/support/updating-your-profile",
    "uploads.example.com/files/report.pdf",
    "www.alphabet.com/",
    "www.timeslots.example.org/booking-form",
    "fonts.googleapis.com/css2",
    "ajax.googleapis.com/ajax/libs/jquery/3.7.1/jquery.min.js",
    "s3.amazonaws.com/bucket/data.json",
    "aws.amazon.com/ec2/",
    "www.openstreetmap.org/",
    "www.raspberrypi.com/software/",
    "www.arduino.cc/reference/",
    "www.cloudflare.com/learning/",
    "www.jetbrains.com/idea/",
    "code.visualstudio.com/docs",
    "www.atlassian.com/software/jira",
    "www.salesforce.com/products/",
    "www.imdb.com/title/tt0111161/",
    "www.purchase.edu/",
    "www.sportswear-example.com/shop",
    "intranet.corp.local/hr/policies",
    "10.1.2.3/index.html",
    "printer.local/status",
    "www.company.com/careers-at-our-company",
    "www.example.org/about-us/contact",
    "www.mapbox.com/maps",
    "www.redhat.com/en/enterprise",
    "www.nakedwines.com/",
};

class ShippedDefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    RegisterClassifyClasses();
  }
};

// The shipped files are the program's own writing of the tables above;
// VEXA_WRITE_SHIPPED_DEFAULTS=1 rewrites them after a change of the tables.
TEST_F(ShippedDefaultsTest, ShippedFilesAreWhatTheWriterMakesOfTheTables) {
  const std::string folder = vexatest::MakeTempFolder("shipped");
  const std::pair<TAdvRef<TAdvPersistent>, const char*> files[] = {
      {ShippedProfiles(), "Default.Profiles"}, {ShippedFileTypes(), "Default.FileTypes"}};
  for (const auto& [table, name] : files) {
    if (std::getenv("VEXA_WRITE_SHIPPED_DEFAULTS")) table->SaveToFile(ShippedFile(name));
    table->SaveToFile(folder + "/" + name);
    const std::string written = vexatest::ReadFileText(folder + "/" + name);
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(vexatest::ReadFileText(ShippedFile(name)), written)
        << name << " is out of date: run the test with VEXA_WRITE_SHIPPED_DEFAULTS=1";
    // The build tree carries a copy beside the program.
    if (const char* build = std::getenv("VEXA_BINARY_DIR")) {
      EXPECT_EQ(vexatest::ReadFileText(std::string(build) + "/share/vexa/" + name), written)
          << name << " in the build tree";
    }
  }
}

TEST_F(ShippedDefaultsTest, ProfilesAreUsefulAndUnambiguous) {
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->LoadFromFile(ShippedFile("Default.Profiles"));
  EXPECT_TRUE(profiles->LoadProblems().empty());
  EXPECT_GE(profiles->Count(), 20);
  std::map<std::string, std::string> owner;
  for (int i = 0; i < profiles->Count(); ++i) {
    const TProfile* profile = profiles->Profile(i);
    EXPECT_FALSE(profile->Description().empty()) << profile->Name();
    EXPECT_GE(profile->Includes().Count(), 5) << profile->Name();
    for (int k = 0; k < profile->Includes().Count(); ++k) {
      const std::string keyword = profile->Includes().GetItem(k);
      EXPECT_EQ(keyword, LowerAscii(keyword));
      EXPECT_GE(keyword.size(), 3u) << keyword;
      const auto [at, fresh] = owner.emplace(keyword, profile->Name());
      EXPECT_TRUE(fresh) << keyword << " in " << at->second << " and " << profile->Name();
    }
  }
}

TEST_F(ShippedDefaultsTest, WellKnownSitesGetTheirCategories) {
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->LoadFromFile(ShippedFile("Default.Profiles"));
  EXPECT_GE(kKnownSites.size(), 200u);
  std::set<std::string> covered;
  for (const auto& [text, category] : kKnownSites) {
    EXPECT_EQ(profiles->Classify(text), category) << text;
    covered.insert(category);
  }
  EXPECT_EQ(covered.size(), size_t(profiles->Count()) + 1);  // every category, and Miscellaneous

  // The same through a hit: host and path come from the URL.
  TAdvRef<TVexaHit> hit = AdvNew<TVexaHit>();
  hit->SetProtocol(kProtocolSecureWeb);
  hit->ApplyURL(std::string("https://WWW.YouTube.com/watch?v=dQw4w9WgXcQ&casino=1"));
  profiles->ClassifyHit(*hit);
  EXPECT_EQ(hit->Profile(), "Streaming Media");  // the query is not looked at
}

TEST_F(ShippedDefaultsTest, OrdinarySitesGetNoCategory) {
  TAdvRef<TProfiles> profiles = AdvNew<TProfiles>();
  profiles->LoadFromFile(ShippedFile("Default.Profiles"));
  for (const char* text : kOrdinarySites)
    EXPECT_EQ(profiles->Classify(text), "Miscellaneous") << text;
}

TEST_F(ShippedDefaultsTest, FileTypesNameCommonExtensions) {
  TAdvRef<TFileTypes> types = AdvNew<TFileTypes>();
  types->LoadFromFile(ShippedFile("Default.FileTypes"));
  EXPECT_TRUE(types->LoadProblems().empty());
  TAdvRef<TVexaHit> hit = AdvNew<TVexaHit>();
  struct Case {
    const char* url;
    const char* type;
  } cases[] = {
      {"http://example.com/", "Web Pages"},
      {"http://example.com/index.HTML", "Web Pages"},
      {"http://example.com/setup.exe", "Executables"},
      {"http://example.com/a/b/archive.tar.gz", "Archives"},
      {"http://example.com/song.mp3", "Audio"},
      {"http://example.com/clip.MP4", "Video"},
      {"http://example.com/seg/00012.ts", "Video"},
      {"http://example.com/logo.png", "Images"},
      {"http://example.com/report.pdf", "Documents"},
      {"http://example.com/sheet.xlsx", "Documents"},
      {"http://example.com/app.js", "Scripts and Style Sheets"},
      {"http://example.com/font.woff2", "Fonts"},
      {"http://example.com/debian.iso", "Disc Images"},
      {"http://example.com/readme", "Miscellaneous"},
      {"http://example.com/file.unknownext", "Miscellaneous"},
  };
  for (const Case& c : cases) {
    hit->SetProtocol(kProtocolWeb);
    hit->ApplyURL(std::string(c.url));
    EXPECT_EQ(types->Lookup(hit->FileType()), c.type) << c.url << " " << hit->FileType();
  }
  hit->SetProtocol(kProtocolMail);
  EXPECT_EQ(types->Lookup(hit->FileType()), "E-mail");
  hit->SetProtocol(kProtocolNews);
  EXPECT_EQ(types->Lookup(hit->FileType()), "Newsgroups");
}

}  // namespace
