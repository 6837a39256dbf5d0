// Damaged markup through the parser: thousands of deterministic mutations of real skins. Each
// document's text sits against an inaccessible page (after its end or before its start), and
// the bytes handed in are size-exact in the same way, so a read or write outside either
// buffer ends the test with an access violation instead of passing unnoticed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "skinui/skin_file_reader.h"
#include "skinui/xml_document.h"
#include "tests/skinui/skin_test_support.h"
#include "tests/skinui/xml_test_support.h"
#include "tests/support/test_paths.h"

namespace {

using SkinUI::CXmlDocument;
using SkinUI::CXmlNode;

size_t PageSize() {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return info.dwPageSize;
}

size_t PagesFor(size_t bytes) {
  return (bytes + PageSize() - 1) / PageSize();
}

// Data pages followed by one no-access page; the block ends exactly where that page starts.
unsigned char* AllocateBeforeGuard(size_t bytes) {
  const size_t data = PagesFor(bytes) * PageSize();
  auto* base = static_cast<unsigned char*>(
      ::VirtualAlloc(nullptr, data + PageSize(), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!base) return nullptr;
  DWORD old = 0;
  ::VirtualProtect(base + data, PageSize(), PAGE_NOACCESS, &old);
  return base + data - bytes;
}

void ReleaseBeforeGuard(void* block, size_t bytes) {
  ::VirtualFree(static_cast<unsigned char*>(block) + bytes - PagesFor(bytes) * PageSize(), 0,
                MEM_RELEASE);
}

// One no-access page followed by the data pages; the block starts right after that page.
unsigned char* AllocateAfterGuard(size_t bytes) {
  auto* base = static_cast<unsigned char*>(::VirtualAlloc(
      nullptr, (PagesFor(bytes) + 1) * PageSize(), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!base) return nullptr;
  DWORD old = 0;
  ::VirtualProtect(base, PageSize(), PAGE_NOACCESS, &old);
  return base + PageSize();
}

void ReleaseAfterGuard(void* block, size_t) {
  ::VirtualFree(static_cast<unsigned char*>(block) - PageSize(), 0, MEM_RELEASE);
}

const SkinUI::TXmlTextAllocator kTextBeforeGuard = {
    [](size_t characters) {
      return reinterpret_cast<wchar_t*>(AllocateBeforeGuard(characters * sizeof(wchar_t)));
    },
    [](wchar_t* text, size_t characters) { ReleaseBeforeGuard(text, characters * sizeof(wchar_t)); }};

const SkinUI::TXmlTextAllocator kTextAfterGuard = {
    [](size_t characters) {
      return reinterpret_cast<wchar_t*>(AllocateAfterGuard(characters * sizeof(wchar_t)));
    },
    [](wchar_t* text, size_t characters) { ReleaseAfterGuard(text, characters * sizeof(wchar_t)); }};

std::vector<std::string> SeedDocuments() {
  std::vector<std::string> seeds = {
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- skin -->\n"
      "<Window size=\"600,400\" caption=\"0,0,0,40\">\n"
      "  <Font id=\"0\" name=\"Microsoft YaHei\" size=\"12\" default=\"true\" />\n"
      "  <Default name=\"Button\" value=\"height=&quot;30&quot; textcolor=&quot;#FF000000&quot;\"/>\n"
      "  <VerticalLayout><Label text=\"a &amp; b &lt;c&gt; &apos;d&apos;\">x</Label>\n"
      "    <HorizontalLayout><Button name=\"ok\"/><Option group=\"g\" /></HorizontalLayout>\n"
      "  </VerticalLayout>\n</Window>\n",
  };
  const std::wstring files[] = {SourcePath(L"resources/skin/mainWnd.xml"),
                                SourcePath(L"tests/skinui/fixtures/skin/mainWnd.xml"),
                                SourcePath(L"tests/skinui/fixtures/skin/list.xml")};
  for (const std::wstring& file : files) {
    std::vector<unsigned char> bytes;
    if (SkinUI::ReadFileBytes(file, SIZE_MAX, &bytes) == SkinUI::SkinFileStatus::Ok) {
      seeds.emplace_back(bytes.begin(), bytes.end());
    }
  }
  return seeds;
}

// Truncations, byte flips, and inserted or removed markup characters, one to four at a time.
std::string Mutate(std::string text, std::mt19937& random) {
  static const char kMarkup[] = "<>/=\"'&!?-; \0";
  const int steps = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < steps && !text.empty(); ++i) {
    const size_t at = random() % text.size();
    switch (random() % 5) {
      case 0: text.resize(at); break;
      case 1: text[at] = static_cast<char>(text[at] ^ (1 << (random() % 8))); break;
      case 2: text.insert(at, 1, kMarkup[random() % (sizeof(kMarkup) - 1)]); break;
      case 3: text.erase(at, 1 + random() % 8); break;
      default: text.insert(at, text.substr(random() % text.size(), 1 + random() % 16)); break;
    }
  }
  return text;
}

// Every element is reached exactly once from the root, and every string lies in the text.
void CheckTree(const CXmlDocument& document) {
  int visited = 0;
  std::vector<CXmlNode> pending;
  for (CXmlNode node = document.Root(); node.IsValid(); node = node.NextSibling()) {
    pending.push_back(node);
  }
  while (!pending.empty()) {
    const CXmlNode node = pending.back();
    pending.pop_back();
    ++visited;
    ASSERT_LT(visited, document.ElementCount());
    ASSERT_NE(node.Name(), nullptr);
    ASSERT_LE(node.AttributeCount(), SkinUI::kMaxXmlAttributes);
    for (int i = 0; i < node.AttributeCount(); ++i) {
      ASSERT_LE(std::wcslen(node.AttributeName(i)), document.TextLength());
      ASSERT_LE(std::wcslen(node.AttributeValue(i)), document.TextLength());
      wchar_t value[8] = {};
      ASSERT_TRUE(node.FindAttribute(node.AttributeName(i), value, 7));
    }
    for (CXmlNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
      pending.push_back(child);
    }
  }
  EXPECT_EQ(visited, document.ElementCount() - 1);
}

TEST(XmlMutationTest, DamagedSkinsGiveATreeOrAnErrorAndStayInTheirBuffers) {
  const std::vector<std::string> seeds = SeedDocuments();
  ASSERT_EQ(seeds.size(), 4u);
  std::mt19937 random(20240607);
  int trees = 0;
  int errors = 0;
  for (int round = 0; round < 6000; ++round) {
    const std::string mutant = Mutate(seeds[round % seeds.size()], random);
    const bool text_first = round % 2 == 0;
    CXmlDocument document(text_first ? kTextAfterGuard : kTextBeforeGuard);
    unsigned char* input = AllocateBeforeGuard(mutant.size());
    ASSERT_NE(input, nullptr);
    if (!mutant.empty()) std::memcpy(input, mutant.data(), mutant.size());
    const bool loaded = document.LoadBytes(input, mutant.size());
    ReleaseBeforeGuard(input, mutant.size());
    if (loaded) {
      ++trees;
      EXPECT_STREQ(document.ErrorMessage(), L"");
      CheckTree(document);
    } else {
      ++errors;
      EXPECT_STRNE(document.ErrorMessage(), L"");
      EXPECT_FALSE(document.Root().IsValid());
    }
    if (HasFatalFailure()) {
      ADD_FAILURE() << "round " << round << ": " << testing::PrintToString(mutant);
      return;
    }
  }
  // Both outcomes must be common, or the mutations are not exercising the parser.
  EXPECT_GT(trees, 500);
  EXPECT_GT(errors, 500);
}

}  // namespace
