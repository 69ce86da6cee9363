#include "core/AdvMemories.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/AdvPipes.h"
#include "core/tests/StreamTestHelpers.h"

using streamtest::Contents;
using streamtest::MemoryWith;

namespace {

TEST(AdvMemory, WritesCutTheValidDataAtTheirEnd) {
  auto memory = MemoryWith("0123456789");
  EXPECT_EQ(memory->GetSize(), 10);
  EXPECT_EQ(memory->Readable(), 10);
  memory->Write("abc", 3);
  EXPECT_EQ(memory->GetSize(), 3);
  EXPECT_EQ(memory->GetPosition(), 3);
  EXPECT_EQ(memory->Readable(), 0);
  EXPECT_EQ(memory->Writeable(), 7);
  memory->Rewind();
  EXPECT_EQ(memory->GetSize(), 3) << "Rewind keeps the size";
  char buffer[3];
  memory->Read(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST(AdvMemory, OverrunsRaiseAndChangeNothing) {
  auto memory = MemoryWith("0123456789");
  char buffer[16];
  memory->SetPosition(8);
  try {
    memory->Read(buffer, 3);
    FAIL() << "read past the valid data";
  } catch (const EAdvMemory& e) {
    EXPECT_EQ(e.Message(),
              "(TAdvMemory.Read): Unable to read 3 bytes at position 8: 2 bytes are left");
  }
  EXPECT_EQ(memory->GetPosition(), 8);
  EXPECT_THROW(memory->Write("abc", 3), EAdvMemory);
  EXPECT_EQ(memory->GetSize(), 10);
  EXPECT_EQ(memory->GetPosition(), 8);
  EXPECT_THROW(memory->SetPosition(11), EAdvMemory);
  EXPECT_THROW(memory->SetPosition(-1), EAdvMemory);
  EXPECT_EQ(memory->GetPosition(), 8);
  EXPECT_THROW(memory->SetSize(-5), EAdvMemory);
  memory->Read(buffer, 2);
  memory->Read(buffer, 0);
  EXPECT_EQ(Contents(*memory), "0123456789");

  auto empty = AdvNew<TAdvMemory>();
  EXPECT_THROW(empty->Read(buffer, 1), EAdvMemory);
  EXPECT_THROW(empty->Write("x", 1), EAdvMemory);
}

TEST(AdvMemory, CapacityAndSize) {
  auto memory = AdvNew<TAdvMemory>(4);
  memory->Write("abcd", 4);
  memory->SetSize(8);  // grows the buffer, keeping the bytes
  EXPECT_EQ(memory->Capacity(), 8u);
  EXPECT_EQ(memory->GetSize(), 8);
  EXPECT_EQ(std::memcmp(memory->Data(), "abcd\0\0\0\0", 8), 0);
  memory->SetCapacity(2);  // a smaller buffer cuts size and position
  EXPECT_EQ(memory->GetSize(), 2);
  EXPECT_EQ(memory->GetPosition(), 2);
  EXPECT_EQ(Contents(*memory), "ab");
  memory->Write("", 0);
  EXPECT_EQ(memory->Writeable(), 0);
}

TEST(AdvStretchMemory, GrowsToExactlyWhatAWriteNeeds) {
  auto memory = AdvNew<TAdvStretchMemory>();
  memory->Write("hello", 5);
  EXPECT_EQ(memory->Capacity(), 5u);
  memory->SetPosition(2);
  memory->Write("LLO world", 9);
  EXPECT_EQ(memory->Capacity(), 11u);
  EXPECT_EQ(Contents(*memory), "heLLO world");
  std::string many;
  for (int i = 0; i < 100000; ++i) {
    memory->Write("x", 1);
    many += 'x';
  }
  EXPECT_EQ(Contents(*memory), "heLLO world" + many);
  memory->Rewind();
  EXPECT_THROW(memory->SetPosition(-1), EAdvMemory);
}

TEST(AdvMemory, AssignCopiesBytesAndState) {
  auto source = MemoryWith("payload");
  source->SetPosition(3);
  auto copy = AdvNew<TAdvMemory>();
  copy->Assign(*source);
  EXPECT_EQ(Contents(*copy), "payload");
  EXPECT_EQ(copy->GetPosition(), 3);
  source->Write("X", 1);
  EXPECT_EQ(Contents(*copy), "payload") << "the copy owns its own buffer";
}

// ---------------------------------------------------------------------------

TEST(AdvPipe, CopiesInPiecesOfTheBufferSize) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data += char('a' + i % 26);
  auto input = MemoryWith(data);
  auto target = AdvNew<TAdvStretchMemory>();
  streamtest::TCountingStream output(*target);
  auto pipe = AdvNew<TAdvPipe>(input.Get(), &output);
  pipe->Step();
  EXPECT_EQ(target->GetSize(), 4096);
  pipe->Run();
  EXPECT_EQ(Contents(*target), data);
  EXPECT_EQ(output.Writes, 3);

  input->Rewind();
  pipe->Copy(5);
  EXPECT_EQ(input->GetPosition(), 5);
  EXPECT_THROW(pipe->Copy(20000), EAdvMemory) << "more than the input holds";

  // An input that cannot tell what it holds copies nothing.
  auto unknown = AdvNew<TAdvStream>();
  pipe->SetInput(unknown.Get());
  const int64_t before = target->GetSize();
  pipe->Run();
  EXPECT_EQ(target->GetSize(), before);
  pipe->SetInput(nullptr);
  EXPECT_THROW(pipe->Run(), EAdvanced);
}

}  // namespace
