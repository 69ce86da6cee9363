#include <gtest/gtest.h>

#include "core/AdvBinaryFilers.h"
#include "core/AdvFactories.h"
#include "core/AdvLists.h"
#include "core/AdvTextFilers.h"
#include "core/AdvXMLFilers.h"
#include "core/tests/FilerTestTypes.h"

namespace {

class Filers : public ::testing::Test {
 protected:
  void SetUp() override { RegisterFilerTestClasses(); }

  static TAdvRef<TSample> MakeSample() {
    auto sample = AdvNew<TSample>();
    sample->Name = "a <b> & \"c\"";
    sample->Count = -7;
    sample->Big = int64_t(1) << 40;
    sample->Unsigned = 4000000000u;
    sample->Small = -1;
    sample->Tiny = -2;
    sample->Ratio = 0.5;
    sample->Flag = true;
    sample->Letter = 'Q';
    sample->Short = "short";
    sample->Blob[0] = 0xDE;
    sample->Blob[3] = 0x01;
    sample->Colour = TColour::Blue;
    sample->Bits[1] = 0x80;
    auto* child = new TSampleChild();
    child->Name = "child";
    sample->Child = child;
    sample->Optional = "set";
    return sample;
  }

  static void ExpectSame(const TSample& a, const TSample& b) {
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.Count, b.Count);
    EXPECT_EQ(a.Big, b.Big);
    EXPECT_EQ(a.Unsigned, b.Unsigned);
    EXPECT_EQ(a.Small, b.Small);
    EXPECT_EQ(a.Tiny, b.Tiny);
    EXPECT_EQ(a.Ratio, b.Ratio);
    EXPECT_EQ(a.Flag, b.Flag);
    EXPECT_EQ(a.Letter, b.Letter);
    EXPECT_EQ(a.Short, b.Short);
    EXPECT_EQ(0, std::memcmp(a.Blob, b.Blob, sizeof a.Blob));
    EXPECT_EQ(a.Colour, b.Colour);
    EXPECT_EQ(0, std::memcmp(a.Bits, b.Bits, sizeof a.Bits));
    EXPECT_EQ(a.Optional, b.Optional);
    ASSERT_EQ(a.Child == nullptr, b.Child == nullptr);
    if (a.Child) {
      EXPECT_EQ(a.Child->ClassName(), b.Child->ClassName());
      EXPECT_EQ(static_cast<TSample*>(a.Child)->Name, static_cast<TSample*>(b.Child)->Name);
    }
  }

  template <class Writer>
  static std::string Save(TSample& sample) {
    TStringStream stream;
    stream.Retain();  // lives on the stack
    sample.SaveToStream(stream, &Writer::ClassInfo);
    return stream.Data;
  }

  template <class Reader>
  static TAdvRef<TSample> Load(const std::string& bytes) {
    TStringStream stream;
    stream.Retain();
    stream.Data = bytes;
    auto sample = AdvNew<TSample>();
    sample->LoadFromStream(stream, &Reader::ClassInfo);
    EXPECT_EQ(stream.Offset, stream.Data.size()) << "the whole document is read";
    return sample;
  }
};

TEST_F(Filers, TaggedBinaryRoundTripsEveryKind) {
  auto sample = MakeSample();
  ExpectSame(*sample, *Load<TAdvReader>(Save<TAdvWriter>(*sample)));
}

TEST_F(Filers, XmlRoundTripsEveryKind) {
  auto sample = MakeSample();
  ExpectSame(*sample, *Load<TAdvXMLReader>(Save<TAdvXMLWriter>(*sample)));
}

TEST_F(Filers, TaggedBinaryBytesAreAsStored) {
  auto sample = AdvNew<TSample>();
  sample->Name = "ab";
  sample->Count = 258;
  const std::string bytes = Save<TAdvWriter>(*sample);
  const std::string expected = std::string("\x07\x07TSample\x08", 10) +  // class, begin
                               std::string("\x03\x02\0\0\0ab", 7) +      // Name
                               std::string("\x02\x02\x01\0\0", 5) +      // Count
                               std::string("\x0b\0\0\0\0\0\0\0\0", 9) +  // Big
                               std::string("\x02\0\0\0\0", 5) +          // Unsigned
                               std::string("\x0c\0\0", 3) +              // Small
                               std::string("\x0d\0", 2) +                // Tiny
                               std::string("\x04\0\0\0\0\0\0\0\0", 9) +  // Ratio
                               std::string("\x01\0", 2) +                // Flag
                               std::string(
                                   "\x10"
                                   "a",
                                   2) +                                    // Letter
                               std::string("\x0e\0", 2) +                  // Short
                               std::string("\x05\x04\0\0\0\0\0\0\0", 9) +  // Blob
                               std::string("\x06\0", 2) +                  // Colour
                               std::string("\x0f\0\0", 3) +                // Bits
                               std::string("\x0a", 1) +                    // Child: nil
                               std::string(
                                   "\x03\x07\0\0\0"
                                   "default",
                                   12) +                // Optional
                               std::string("\x09", 1);  // end
  EXPECT_EQ(bytes, expected);
}

TEST_F(Filers, XmlTextIsAsStored) {
  auto sample = MakeSample();
  TAdvObject::Release(sample->Child);
  sample->Child = nullptr;
  sample->Ratio = 1e-5;
  const std::string xml = Save<TAdvXMLWriter>(*sample);
  const std::string expected =
      "<object name=\"Sample\" classname=\"TSample\">\r\n"
      "  <string name=\"Name\"><![CDATA[a &lt;b&gt; &amp; \"c\"]]></string>\r\n"
      "  <integer name=\"Count\">-7</integer>\r\n"
      "  <integer64 name=\"Big\">1099511627776</integer64>\r\n"
      "  <integer name=\"Unsigned\">4000000000</integer>\r\n"
      "  <integer16 name=\"Small\">65535</integer16>\r\n"
      "  <integer8 name=\"Tiny\">254</integer8>\r\n"
      "  <real name=\"Ratio\">1E-5</real>\r\n"
      "  <boolean name=\"Flag\">True</boolean>\r\n"
      "  <string name=\"Letter\"><![CDATA[Q]]></string>\r\n"
      "  <string name=\"Short\"><![CDATA[short]]></string>\r\n"
      "  <binary name=\"Blob\">DE000001</binary>\r\n"
      "  <enumerated name=\"Colour\">2</enumerated>\r\n"
      "  <set name=\"Bits\">0080</set>\r\n"
      "  <nil name=\"Child\"></nil>\r\n"
      "  <string name=\"Optional\"><![CDATA[set]]></string>\r\n"
      "</object>\r\n";
  EXPECT_EQ(xml, expected);
  EXPECT_EQ(Load<TAdvXMLReader>(xml)->Ratio, 1e-5);
}

TEST_F(Filers, OptionalTrailingFieldKeepsDefaultInOlderFiles) {
  auto sample = MakeSample();
  std::string xml = Save<TAdvXMLWriter>(*sample);
  const size_t at = xml.rfind("\n  <string name=\"Optional\">") + 1;
  xml.erase(at, xml.find("\r\n", at) + 2 - at);
  EXPECT_EQ(Load<TAdvXMLReader>(xml)->Optional, "default");

  std::string bytes = Save<TAdvWriter>(*sample);
  // The optional string is the last value before the final end marker.
  const std::string tail = std::string("\x03\x03\0\0\0set\x09", 9);
  ASSERT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  bytes.erase(bytes.size() - tail.size());
  bytes += '\x09';
  EXPECT_EQ(Load<TAdvReader>(bytes)->Optional, "default");
}

TEST_F(Filers, XmlReadsRealsWithEitherSeparatorAndSigned) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {{"0,5", 0.5}, {"0.5", 0.5}, {"-1.5", -1.5}, {"1E-5", 1e-5}, {"abc", 0}, {"1 2", 0}};
  for (const auto& c : cases) {
    std::string xml = Save<TAdvXMLWriter>(*AdvNew<TSample>());
    const size_t at = xml.find("<real name=\"Ratio\">") + 19;
    xml.replace(at, xml.find('<', at) - at, c.text);
    EXPECT_EQ(Load<TAdvXMLReader>(xml)->Ratio, c.value) << c.text;
  }
}

TEST_F(Filers, XmlTextWithoutCdataAndEmptyText) {
  std::string xml = Save<TAdvXMLWriter>(*AdvNew<TSample>());
  const std::string from = "<![CDATA[]]>";
  const size_t at = xml.find(from);  // Name is empty
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(Load<TAdvXMLReader>(xml)->Name, "");
  xml.replace(at, from.size(), "plain &amp; simple");
  EXPECT_EQ(Load<TAdvXMLReader>(xml)->Name, "plain & simple");
}

TEST_F(Filers, XmlErrorsNameTheElements) {
  std::string xml = Save<TAdvXMLWriter>(*AdvNew<TSample>());
  std::string swapped = xml;
  const size_t at = swapped.find("<integer name=\"Count\">0</integer>");
  swapped.replace(at, 33, "<boolean name=\"Count\">0</boolean>");
  try {
    Load<TAdvXMLReader>(swapped);
    FAIL();
  } catch (const EAdvStream& e) {
    EXPECT_STREQ(e.what(), "(TAdvXMLParser.ConsumeOpen): Expected 'integer' but found 'boolean'");
  }
  std::string unknown = xml;
  unknown.replace(unknown.find("classname=\"TSample\""), 19, "classname=\"TNoSuchClass\"");
  // The root already exists, so a foreign root class is refused by name.
  EXPECT_THROW(Load<TAdvXMLReader>(unknown), EAdvFiler);
}

TEST_F(Filers, UnknownNestedClassRaisesFactoryError) {
  auto sample = MakeSample();
  std::string xml = Save<TAdvXMLWriter>(*sample);
  xml.replace(xml.find("classname=\"TSampleChild\""), 24, "classname=\"TNoSuchClass\"");
  try {
    Load<TAdvXMLReader>(xml);
    FAIL();
  } catch (const EAdvFactory& e) {
    EXPECT_STREQ(e.what(), "(TAdvFactory.Make): Unknown class TNoSuchClass");
  }
}

TEST_F(Filers, ForeignClassInTypedFieldIsRefused) {
  AdvFactory().Register(&TUnregistered::ClassInfo);
  auto sample = MakeSample();
  std::string bytes = Save<TAdvWriter>(*sample);
  const std::string from = std::string("\x07\x0cTSampleChild", 14);
  const size_t at = bytes.find(from);
  ASSERT_NE(at, std::string::npos);
  // Same length name of a registered class that is not a TSample.
  bytes.replace(at, from.size(), std::string("\x07\x0cTUnregistere", 14));
  AdvFactory().Register(&TUnregistered::ClassInfo, "TUnregistere");
  EXPECT_THROW(Load<TAdvReader>(bytes), EAdvFiler);
}

TEST_F(Filers, TruncatedOrDamagedBinaryIsRejected) {
  const std::string bytes = Save<TAdvWriter>(*MakeSample());
  for (size_t cut = 0; cut < bytes.size(); cut += 3)
    EXPECT_THROW(Load<TAdvReader>(bytes.substr(0, cut)), EAdvanced) << "cut at " << cut;
  // A text length far beyond the data is refused before anything is allocated.
  std::string damaged = bytes;
  const size_t at = damaged.find(std::string("\x03\x0b\0\0\0", 5));  // Name, 11 bytes
  ASSERT_NE(at, std::string::npos);
  damaged[at + 4] = '\x7f';
  try {
    Load<TAdvReader>(damaged);
    FAIL();
  } catch (const EAdvFiler& e) {
    EXPECT_NE(std::string(e.what()).find("exceeds"), std::string::npos) << e.what();
  }
}

TEST_F(Filers, TaggedReaderReportsKindMismatch) {
  std::string bytes = Save<TAdvWriter>(*AdvNew<TSample>());
  bytes[10] = '\x01';  // Name's kind byte: Boolean instead of String
  try {
    Load<TAdvReader>(bytes);
    FAIL();
  } catch (const EAdvFiler& e) {
    EXPECT_STREQ(e.what(), "(TAdvReader.DefineValue): Expected 'String', but found 'Boolean'");
  }
  bytes = Save<TAdvWriter>(*AdvNew<TSample>());
  bytes[0] = '\x02';
  try {
    Load<TAdvReader>(bytes);
    FAIL();
  } catch (const EAdvFiler& e) {
    EXPECT_STREQ(e.what(),
                 "(TAdvReader.DefineObject): Expected an object or nil, but found 'Integer'");
  }
}

TEST_F(Filers, UntaggedBinaryStoresPayloadsOnlyAndCannotPeek) {
  TStringStream stream;
  stream.Retain();
  {
    TAdvBinaryWriter writer(&stream);
    writer.Retain();
    int32_t a = 1;
    std::string text = "xy";
    writer.DefineInteger(a);
    writer.DefineString(text);
  }
  EXPECT_EQ(stream.Data, std::string("\x01\0\0\0\x02\0\0\0xy", 10));
  TAdvBinaryReader reader(&stream);
  reader.Retain();
  int32_t a = 0;
  std::string text;
  reader.DefineInteger(a);
  reader.DefineString(text);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(text, "xy");
  try {
    reader.Peek();
    FAIL();
  } catch (const EAdvFiler& e) {
    EXPECT_STREQ(e.what(), "(TAdvBinaryReader.Peek): No look ahead allowed on a binary reader.");
  }
}

TEST_F(Filers, TextWriterIndentsBeginAndEnd) {
  auto sample = AdvNew<TSample>();
  std::string lines;
  TStringStream stream;
  stream.Retain();
  TAdvLog log(&stream);
  log.Retain();
  log.SetLineHandler([&](const std::string& line) { lines += line; });
  TAdvObject* object = sample.Get();
  log.Field("Root").DefineObject(object);
  EXPECT_EQ(lines.substr(0, lines.find("Count")),
            "Object = TSample\r\nBegin\r\n  Name : String = \r\n  ");
  EXPECT_NE(lines.find("\r\nEnd\r\n"), std::string::npos);
  EXPECT_TRUE(stream.Data.empty()) << "a handler takes every line";
}

TEST(XmlEscaping, EscapesOnlyAmpersandAndAngleBrackets) {
  EXPECT_EQ(XmlEscape("a&b<c>d\"e'"), "a&amp;b&lt;c&gt;d\"e'");
  EXPECT_EQ(XmlUnescape("&amp;lt;"), "&lt;");
  EXPECT_EQ(XmlUnescape(XmlEscape("&lt;&amp;<>")), "&lt;&amp;<>");
}

TEST(FilerKinds, NamesAndLookups) {
  EXPECT_EQ(FilerKindName(TAdvFilerKind::ShortString), "ShortString");
  EXPECT_EQ(FilerKindName(17), "Out of bounds (17)");
  EXPECT_EQ(FilerKindByName("STRING"), TAdvFilerKind::String);
  EXPECT_EQ(FilerKindByName("item"), TAdvFilerKind::Unknown);
}

}  // namespace

namespace {

class TNamedThing : public TAdvNamed {
  ADV_CLASS(TNamedThing)
  int32_t Size = 0;
  void Define(TAdvFiler& filer) override {
    TAdvNamed::Define(filer);
    filer.Field("Size").DefineInteger(Size);
  }
};
ADV_CLASS_IMPL(TNamedThing, TAdvNamed)

class FilerLists : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    AdvFactory().Register(&TNamedThing::ClassInfo);
  }
  static TAdvRef<TAdvNamedList> ThreeThings() {
    auto list = AdvNew<TAdvNamedList>();
    for (const char* name : {"one", "two", "three"}) {
      auto* thing = new TNamedThing();
      thing->SetName(name);
      thing->Size = int32_t(std::string(name).size());
      list->Add(thing);
    }
    return list;
  }
  template <class Writer, class Reader>
  static void ExpectRoundTrip() {
    auto list = ThreeThings();
    TStringStream stream;
    stream.Retain();
    list->SaveToStream(stream, &Writer::ClassInfo);
    auto back = AdvNew<TAdvNamedList>();
    back->LoadFromStream(stream, &Reader::ClassInfo);
    ASSERT_EQ(back->Count(), 3);
    for (int i = 0; i < 3; ++i) {
      auto* thing = AdvCast<TNamedThing>(back->GetItem(i));
      ASSERT_NE(thing, nullptr);
      EXPECT_EQ(thing->Name(), list->ItemAs<TNamedThing>(i)->Name());
      EXPECT_EQ(thing->Size, int32_t(thing->Name().size()));
    }
  }
};

TEST_F(FilerLists, NamedListRoundTripsInBothFormats) {
  ExpectRoundTrip<TAdvXMLWriter, TAdvXMLReader>();
  ExpectRoundTrip<TAdvWriter, TAdvReader>();
}

TEST_F(FilerLists, DamagedXmlNeverReadsAsAnEmptyList) {
  TStringStream whole;
  whole.Retain();
  ThreeThings()->SaveToStream(whole, &TAdvXMLWriter::ClassInfo);
  const std::string cases[] = {
      "<?xml version=\"1.0\"?><broken",
      "<broken/>",
      whole.Data.substr(0, whole.Data.size() / 2),
  };
  for (const std::string& text : cases) {
    TStringStream stream;
    stream.Retain();
    stream.Data = text;
    auto back = AdvNew<TAdvNamedList>();
    EXPECT_THROW(back->LoadFromStream(stream, &TAdvXMLReader::ClassInfo), EAdvanced) << text;
  }
}

TEST_F(FilerLists, XmlLayoutOfAList) {
  auto list = ThreeThings();
  TStringStream stream;
  stream.Retain();
  list->SaveToStream(stream, &TAdvXMLWriter::ClassInfo);
  const std::string& xml = stream.Data;
  EXPECT_EQ(xml.rfind("<object name=\"AdvNamedList\" classname=\"TAdvNamedList\">\r\n", 0), 0u);
  EXPECT_NE(xml.find("\r\n    <item name=\"Item[0]\">\r\n"
                     "      <object name=\"Object\" classname=\"TNamedThing\">\r\n"
                     "        <string name=\"Name\"><![CDATA[one]]></string>\r\n"
                     "        <integer name=\"Size\">3</integer>\r\n"
                     "      </object>\r\n"
                     "    </item>\r\n"),
            std::string::npos)
      << xml;
  EXPECT_EQ(xml.substr(xml.size() - 11), "</object>\r\n");
}

TEST_F(FilerLists, TaggedListBytesStartWithClassAndMarkers) {
  auto list = ThreeThings();
  TStringStream stream;
  stream.Retain();
  list->SaveToStream(stream, &TAdvWriter::ClassInfo);
  const std::string& bytes = stream.Data;
  EXPECT_EQ(bytes.rfind(std::string("\x07\x0dTAdvNamedList\x08", 16), 0), 0u);
  EXPECT_NE(bytes.find(std::string("\x08\x07\x0bTNamedThing\x08", 15)), std::string::npos);
  EXPECT_EQ(bytes.back(), '\x09');
}

}  // namespace

#include <filesystem>
#include <fstream>

#include "testing/TestEnvironment.h"

namespace {

std::string ReadAll(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PersistentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCoreClasses();
    RegisterFilerTestClasses();
    m_folder = vexatest::MakeTempFolder("persist");
  }
  std::string m_folder;
};

TEST_F(PersistentFiles, SaveAndLoadThroughFilesInEitherFormat) {
  for (TAdvClass writer : {&TAdvWriter::ClassInfo, &TAdvXMLWriter::ClassInfo}) {
    const std::string name = m_folder + "/sample";
    auto sample = AdvNew<TSample>();
    sample->Name = std::string(100000, 'x');  // larger than any cache
    sample->Count = 5;
    sample->SaveToFile(name, writer);
    auto back = AdvNew<TSample>();
    back->LoadFromFile(name, writer == &TAdvWriter::ClassInfo ? &TAdvReader::ClassInfo
                                                              : &TAdvXMLReader::ClassInfo);
    EXPECT_EQ(back->Name, sample->Name);
    EXPECT_EQ(back->Count, 5);
    EXPECT_FALSE(std::filesystem::exists(name + ".tmp"));
  }
}

// A sample whose save fails half way, after writing part of the file.
class TFailingSample : public TSample {
  ADV_CLASS(TFailingSample)
  void Define(TAdvFiler& filer) override {
    TSample::Define(filer);
    if (!filer.IsReader()) Error("Define", "disk full");
  }
};
ADV_CLASS_IMPL(TFailingSample, TSample)

TEST_F(PersistentFiles, AFailedSaveLeavesTheOldFileIntact) {
  const std::string name = m_folder + "/keep";
  auto good = AdvNew<TSample>();
  good->Name = "good";
  good->SaveToFile(name, &TAdvXMLWriter::ClassInfo);
  const std::string before = ReadAll(name);
  auto failing = AdvNew<TFailingSample>();
  EXPECT_THROW(failing->SaveToFile(name, &TAdvXMLWriter::ClassInfo), EAdvanced);
  EXPECT_EQ(ReadAll(name), before);
  EXPECT_FALSE(std::filesystem::exists(name + ".tmp"));
}

TEST_F(PersistentFiles, ADamagedFileIsKeptAsBadAndReported) {
  const std::string name = m_folder + "/damaged";
  auto good = AdvNew<TSample>();
  good->SaveToFile(name, &TAdvXMLWriter::ClassInfo);
  std::string text = ReadAll(name);
  text.resize(text.size() / 2);
  std::ofstream(name, std::ios::binary | std::ios::trunc) << text;

  auto fresh = AdvNew<TSample>();
  const std::string error = AdvLoadKeepingBad(*fresh, name, &TAdvXMLReader::ClassInfo);
  EXPECT_FALSE(error.empty());
  EXPECT_NE(error.find("kept as"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(name));
  EXPECT_EQ(ReadAll(name + ".bad"), text);

  EXPECT_NE(AdvLoadKeepingBad(*AdvNew<TSample>(), m_folder + "/missing", &TAdvReader::ClassInfo),
            "");
}

}  // namespace
