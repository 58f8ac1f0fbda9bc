// Puts the archive layer in force for the whole test program where the
// system cannot clear the archive attribute (Wine); on Windows itself the
// tests meet the real attribute.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "archive_layer.h"
#include "testsupport/temp_dir.h"

namespace tandrel::test {
namespace {

// Each test starts with no kept states: its files are new, whatever numbers
// the file system gives them again.
class ForgetBetweenTests : public ::testing::EmptyTestEventListener {
 public:
  explicit ForgetBetweenTests(const ArchiveLayer& layer) : layer_(layer) {}
  void OnTestStart(const ::testing::TestInfo&) override { layer_.Forget(); }

 private:
  const ArchiveLayer& layer_;
};

class ArchiveEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const ScopedTempDir probe;
    if (ArchiveLayer::ClearsArchive(platform::RealFileSystem(), probe.path())) return;
    std::printf("The archive attribute cannot be cleared here: tests keep it in a layer of their own.\n");
    layer_ = std::make_unique<ArchiveLayer>(platform::RealFileSystem());
    scope_ = std::make_unique<platform::FileSystemScope>(*layer_);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetBetweenTests(*layer_));
  }
  void TearDown() override {
    scope_.reset();
    layer_.reset();
  }

 private:
  std::unique_ptr<ArchiveLayer> layer_;
  std::unique_ptr<platform::FileSystemScope> scope_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ArchiveEnvironment);

}  // namespace
}  // namespace tandrel::test
