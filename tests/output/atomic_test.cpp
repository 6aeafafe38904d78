// Both tools replace an existing header only with a whole one: whatever
// fails or interrupts a run leaves the old output and no temporary file.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "tool.h"

namespace {

class AtomicOutput : public ToolTest {
  protected:
    void SetUp() override {
        WriteFile(dir / "in.bin", RandomBytes(256 * 1024 + 3, 1));
        WriteFile(dir / "out.h", "old header");
    }
    RunResult Run(const std::string &in, const std::string &out) {
        return ToolTest::Run({in, out});
    }
};

mode_t ModeOf(const fs::path &path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

TEST_P(AtomicOutput, AReplacedOutputKeepsItsModeAndANewOneGetsTheUsualMode) {
    chmod((dir / "out.h").c_str(), 0604);
    RunResult run = Sh("umask 027; $tool in.bin out.h && exec $tool in.bin new.h");
    EXPECT_EQ(run.status, 0);
    std::string header = FreshHeader(ReadFile(dir / "in.bin"));
    EXPECT_EQ(ReadFile(dir / "out.h"), header);
    EXPECT_EQ(ReadFile(dir / "new.h"), header);
    EXPECT_EQ(ModeOf(dir / "out.h"), 0604u);
    EXPECT_EQ(ModeOf(dir / "new.h"), 0640u);
    EXPECT_EQ(ListFolder(dir.path), "in.bin\nnew.h\nout.h\n");
}

TEST_P(AtomicOutput, ALinkedOutputReplacesItsTargetAndKeepsTheLink) {
    fs::create_directory(dir / "real");
    WriteFile(dir / "real/target.h", "old");
    fs::create_symlink("real/target.h", dir / "link.h");
    fs::create_symlink("real/missing.h", dir / "dangling.h");
    EXPECT_EQ(Run("in.bin", "link.h").status, 0);
    EXPECT_EQ(Run("in.bin", "dangling.h").status, 0);
    std::string header = FreshHeader(ReadFile(dir / "in.bin"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.h"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.h"));
    EXPECT_EQ(ReadFile(dir / "real/target.h"), header);
    EXPECT_EQ(ReadFile(dir / "real/missing.h"), header);
    EXPECT_EQ(ListFolder(dir / "real"), "missing.h\ntarget.h\n");
}

TEST_P(AtomicOutput, TheSamePathAsInputAndOutputIsReplacedByItsHeader) {
    std::string data = ReadFile(dir / "in.bin");
    EXPECT_EQ(Run("in.bin", "in.bin").status, 0);
    EXPECT_EQ(ReadFile(dir / "in.bin"), FreshHeader(data));
}

TEST_P(AtomicOutput, AWriteFailureHalfwayKeepsTheOldOutput) {
    RunResult run = Sh("ulimit -f 64; exec $tool in.bin out.h");
    EXPECT_EQ(run.status, GetParam().failStatus);
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(dir / "out.h"), "old header");
    EXPECT_EQ(ListFolder(dir.path), "in.bin\nout.h\n");
}

TEST_P(AtomicOutput, FailuresBeforeWritingKeepTheOldOutput) {
    fs::create_directory(dir / "sub");
    EXPECT_EQ(Run("missing.bin", "out.h").status, GetParam().failStatus);
    EXPECT_EQ(Run("sub", "out.h").status, GetParam().failStatus);
    EXPECT_EQ(Run("in.bin", "no/such/folder.h").status, GetParam().failStatus);
    EXPECT_EQ(ReadFile(dir / "out.h"), "old header");
    EXPECT_EQ(ListFolder(dir.path), "in.bin\nout.h\nsub\n");
}

TEST_P(AtomicOutput, OutputsThatAreNotRegularFilesAreWrittenDirectly) {
    EXPECT_EQ(Run("in.bin", "/dev/null").status, 0);
    EXPECT_EQ(Run("in.bin", "/dev/full").status, GetParam().failStatus);
    RunResult run = Sh("mkfifo fifo; $tool in.bin fifo > /dev/null & cat fifo > piped.h; "
                       "wait $!");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(dir / "piped.h"), FreshHeader(ReadFile(dir / "in.bin")));
}

// The run waits on a FIFO input, its temporary file made, when it is stopped.
TEST_P(AtomicOutput, AnInterruptedRunLeavesNothingBehind) {
    RunResult run =
        Sh("mkfifo fifo; $tool fifo out.h > /dev/null & exec 3> fifo; wait_temp; kill -TERM $!; "
           "wait $!");
    EXPECT_EQ(run.status, 128 + SIGTERM);
    EXPECT_EQ(ReadFile(dir / "out.h"), "old header");
    EXPECT_EQ(ListFolder(dir.path), "fifo\nin.bin\nout.h\n");
}

INSTANTIATE_TEST_SUITE_P(BothTools, AtomicOutput, BothTools(), ToolName);

} // namespace
