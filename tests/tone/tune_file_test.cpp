// The bytes of tune files: text mode's line ends, its end-of-text byte, and a
// file that is either written whole or left as it was, even on a full disk, and that
// the same people may read after a save as before.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <chrono>
#include <future>
#include <string>

#include "tone_fixture.h"
#include "tune_file.h"

namespace tone_test {
namespace {

constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;

class TuneFileTest : public ToneTest {
protected:
    std::string readBack(const std::string& bytes) {
        writeBytes(folder / "tune.TPZ", bytes);
        return readTuneFile((folder / "tune.TPZ").string());
    }

    // The tune written by a user the permission bits hold to: as nobody, in a child
    // process, where the test runs as root; else by the test's own user.
    std::string writeAsUser(const fs::path& path, const std::string& text) {
        if (geteuid() != 0) return writeTuneFile(path.string(), text);
        fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        int channel[2];
        if (pipe(channel) != 0) return "no pipe";
        const pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            std::string reason = "cannot become nobody";
            if (setgroups(0, nullptr) == 0 && setgid(nogroup) == 0 && setuid(nobody) == 0)
                reason = writeTuneFile(path.string(), text);
            const ssize_t written = write(channel[1], reason.data(), reason.size());
            _exit(written == static_cast<ssize_t>(reason.size()) ? 0 : 1);
        }
        close(channel[1]);
        std::string reason;
        char part[256];
        for (ssize_t got; (got = read(channel[0], part, sizeof part)) > 0;) reason.append(part, got);
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? reason : "the child failed";
    }

    // Made by root for nobody, so that the save as nobody may write it.
    static void giveToNobody(const fs::path& path, gid_t group, mode_t mode) {
        ASSERT_EQ(chown(path.c_str(), nobody, group), 0);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
    }

    static std::string attribute(const fs::path& path, const char* name) {
        std::string value(256, '\0');
        const ssize_t size = getxattr(path.c_str(), name, value.data(), value.size());
        value.resize(size < 0 ? 0 : size);
        return value;
    }
};

TEST_F(TuneFileTest, ReadingTurnsEachCarriageReturnLineFeedIntoOneLineFeed) {
    EXPECT_EQ(readBack("263,230\r\n394,230\r\n"), "263,230\n394,230\n");
    EXPECT_EQ(readBack("a\rb\r\r\nc\n\r"), "a\rb\r\nc\n\r");
}

TEST_F(TuneFileTest, ReadingStopsAtByte26OrAtByte255) {
    EXPECT_EQ(readBack(std::string("263,230\r\n\x1a" "394,230\r\n")), "263,230\n");
    EXPECT_EQ(readBack(std::string("263,230\r\n\xff" "394,230\r\n")), "263,230\n");
    EXPECT_EQ(readBack(std::string("263,230\r\xff\n")), "263,230\r");
}

// The writer stays open, so only a reader that stops at the byte 255 returns. The wait is no
// measure of speed: past it the writer closes, so a reader that went on ends too.
TEST_F(TuneFileTest, ReadingFromAPipeReturnsAtByte255WithTheWriterStillOpen) {
    const fs::path pipe = folder / "pipe.TPZ";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int writer = open(pipe.c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    const std::string sent = "263,230\r\n\xff";
    ASSERT_EQ(write(writer, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    std::future<std::string> text = std::async(std::launch::async, [&pipe] { return readTuneFile(pipe.string()); });
    const bool returned = text.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
    close(writer);
    EXPECT_TRUE(returned);
    EXPECT_EQ(text.get(), "263,230\n");
}

TEST_F(TuneFileTest, FileThatCannotBeReadOrIsLargerThanAnyTuneGivesEmptyTextAndTheReason) {
    std::string text = "left over";
    EXPECT_EQ(readTuneFile((folder / "missing.TPZ").string(), text), "No such file or directory");
    EXPECT_EQ(text, "");
    EXPECT_EQ(readTuneFile(folder.string()), "");

    const fs::path huge = folder / "huge.TPZ";
    writeBytes(huge, "263,230\r\n");
    fs::resize_file(huge, (16 << 20) + 1);
    EXPECT_EQ(readTuneFile(huge.string(), text), "File larger than any tune (16 MiB)");
    EXPECT_EQ(text, "");
    fs::resize_file(huge, 16 << 20);
    EXPECT_EQ(readTuneFile(huge.string(), text), "");
    EXPECT_EQ(text.size(), (16u << 20) - 1);
}

// The path's bytes are the name, in the system's code page: here Latin-1 "Frédéric/été.TPZ".
TEST_F(TuneFileTest, WritingPutsCarriageReturnBeforeEachLineFeed) {
    fs::create_directory(folder / "Fr\xe9" "d\xe9" "ric");
    const std::string path = (folder / "Fr\xe9" "d\xe9" "ric" / "\xe9t\xe9.TPZ").string();
    EXPECT_EQ(writeTuneFile(path, std::string(headerLine) + "263,230\n"), "");
    EXPECT_EQ(fileBytes(path), std::string(headerLineOnDisk) + "263,230\r\n");
    EXPECT_EQ(readTuneFile(path), std::string(headerLine) + "263,230\n");
    EXPECT_EQ(entriesIn(folder / "Fr\xe9" "d\xe9" "ric"), 1);
}

TEST_F(TuneFileTest, SymbolicLinkKeepsNamingTheFileWhichGetsTheTuneEvenWhenNotThereYet) {
    fs::create_directory(folder / "elsewhere");
    writeBytes(folder / "elsewhere" / "real.TPZ", "old");
    fs::create_symlink("elsewhere/real.TPZ", folder / "link.TPZ");
    fs::create_symlink("elsewhere/new.TPZ", folder / "dangling.TPZ");
    EXPECT_EQ(writeTuneFile((folder / "link.TPZ").string(), "496,230\n"), "");
    EXPECT_EQ(writeTuneFile((folder / "dangling.TPZ").string(), "263,230\n"), "");
    EXPECT_TRUE(fs::is_symlink(folder / "link.TPZ"));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.TPZ"));
    EXPECT_EQ(fileBytes(folder / "elsewhere" / "real.TPZ"), "496,230\r\n");
    EXPECT_EQ(fileBytes(folder / "elsewhere" / "new.TPZ"), "263,230\r\n");
    EXPECT_EQ(entriesIn(folder), 3);
    EXPECT_EQ(entriesIn(folder / "elsewhere"), 2);
}

// Every name of a file with several holds the new tune, longer or shorter than the old.
TEST_F(TuneFileTest, FileWithSeveralNamesIsRewrittenInPlace) {
    const fs::path path = folder / "song.TPZ";
    writeBytes(path, std::string(20, 'x'));
    fs::create_hard_link(path, folder / "other name.TPZ");
    for (const std::size_t lines : {3, 30}) {
        const std::string tune(lines, '\n');
        EXPECT_EQ(writeTuneFile(path.string(), tune), "");
        EXPECT_EQ(fileBytes(folder / "other name.TPZ"), tuneFileBytes(tune));
        EXPECT_EQ(fs::hard_link_count(path), 2u);
    }
    EXPECT_EQ(entriesIn(folder), 2);
}

// A pipe (like a device) is written into, as a stream, and stays what it was.
TEST_F(TuneFileTest, PipeIsWrittenIntoNeverReplaced) {
    const fs::path pipe = folder / "pipe.TPZ";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(writeTuneFile(pipe.string(), "496,230\n"), "");
    char received[16] = {};
    EXPECT_EQ(read(reader, received, sizeof received), 9);
    close(reader);
    EXPECT_STREQ(received, "496,230\r\n");
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(entriesIn(folder), 1);
}

// No process may have it open for reading: a clear failure at once, not a wait for one.
TEST_F(TuneFileTest, PipeWithNoReaderIsAFailureAtOnce) {
    const fs::path pipe = folder / "pipe.TPZ";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::future<std::string> reason =
        std::async(std::launch::async, [&pipe] { return writeTuneFile(pipe.string(), "496,230\n"); });
    if (reason.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
        // A reader lets the stuck save end, so that the test can report.
        const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
        reason.wait();
        close(reader);
        FAIL() << "the save waits for a reader";
    }
    EXPECT_EQ(reason.get(), "No process reads from the pipe");
    EXPECT_TRUE(fs::is_fifo(pipe));
}

// A name as long as a folder takes is saved, as a new file and over an old one.
TEST_F(TuneFileTest, LongestNameIsSavedAsANewFileAndOverAnOldOne) {
    const fs::path path = folder / (std::string(251, 'n') + ".TPZ");
    EXPECT_EQ(writeTuneFile(path.string(), "263,230\n"), "");
    EXPECT_EQ(fileBytes(path), "263,230\r\n");
    EXPECT_EQ(writeTuneFile(path.string(), "496,230\n"), "");
    EXPECT_EQ(fileBytes(path), "496,230\r\n");
    EXPECT_EQ(entriesIn(folder), 1);
}

// A folder that takes no new file (mode 0555): the file, which may be written, is rewritten.
// One that may not be read (0311): it cannot be flushed after the rename, and the save is
// done all the same.
TEST_F(TuneFileTest, FolderThatRefusesANewFileOrItsReadingStillTakesTheTune) {
    for (const mode_t mode : {0555, 0311}) {
        const fs::path inside = folder / std::to_string(mode);
        fs::create_directory(inside);
        writeBytes(inside / "song.TPZ", std::string(1000, 'x'));
        if (geteuid() == 0) giveToNobody(inside / "song.TPZ", nogroup, 0644);
        if (geteuid() == 0) giveToNobody(inside, nogroup, 0700);
        ASSERT_EQ(chmod(inside.c_str(), mode), 0);
        EXPECT_EQ(writeAsUser(inside / "song.TPZ", "496,230\n"), "") << std::oct << mode;
        ASSERT_EQ(chmod(inside.c_str(), 0700), 0);
        EXPECT_EQ(fileBytes(inside / "song.TPZ"), "496,230\r\n");
        EXPECT_EQ(entriesIn(inside), 1);
    }
}

// A file bound onto its name, as containers and sandboxes give, cannot be replaced: the
// file mounted there takes the tune.
TEST_F(TuneFileTest, FileThatIsAMountPointIsRewrittenInPlace) {
    const fs::path mounted = folder / "mounted.TPZ", path = folder / "song.TPZ";
    writeBytes(mounted, std::string(1000, 'x'));
    writeBytes(path, "");
    if (mount(mounted.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no file can be mounted here (" << std::strerror(errno) << ")";
    const std::string reason = writeTuneFile(path.string(), "496,230\n");
    umount2(path.c_str(), MNT_DETACH);
    EXPECT_EQ(reason, "");
    EXPECT_EQ(fileBytes(mounted), "496,230\r\n");
    EXPECT_EQ(entriesIn(folder), 2);
}

// Saved by its owner, a file keeps its group, mode, ACL and extended attributes: rewritten
// in place where the owner is not in its group (audio), else through a new file, which gets
// them all even where its owner may not write it (0460).
TEST_F(TuneFileTest, ReplacingKeepsWhoMayReadTheFile) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another group";
    const group* audio = getgrnam("audio");
    if (!audio) GTEST_SKIP() << "no group audio here";
    // Also readable by the user 1000: the ACL's entries of owner, user 1000, group, mask, others.
    const char acl[] = "\x02\0\0\0"
                       "\x01\0\x06\0\xff\xff\xff\xff" "\x02\0\x04\0\xe8\x03\0\0"
                       "\x04\0\x04\0\xff\xff\xff\xff" "\x10\0\x04\0\xff\xff\xff\xff"
                       "\x20\0\0\0\xff\xff\xff\xff";
    const std::string accessList(acl, sizeof acl - 1);
    giveToNobody(folder, nogroup, 0700);
    struct Case {
        gid_t group;
        mode_t mode;
        bool acl;
    };
    for (const Case& given : {Case{audio->gr_gid, 0640, true}, Case{nogroup, 0460, false}}) {
        const fs::path path = folder / ("song" + std::to_string(given.group) + ".TPZ");
        writeBytes(path, "old");
        ASSERT_EQ(setxattr(path.c_str(), "user.comment", "kept", 4, 0), 0);
        const bool withAcl = given.acl && setxattr(path.c_str(), "system.posix_acl_access", accessList.data(),
                                                   accessList.size(), 0) == 0;
        giveToNobody(path, given.group, given.mode);
        EXPECT_EQ(writeAsUser(path, "496,230\n"), "") << std::oct << given.mode;
        EXPECT_EQ(fileBytes(path), "496,230\r\n");
        struct stat status;
        ASSERT_EQ(stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, nobody);
        EXPECT_EQ(status.st_gid, given.group);
        EXPECT_EQ(status.st_mode & 07777, given.mode);
        EXPECT_EQ(attribute(path, "user.comment"), "kept");
        if (withAcl) {
            EXPECT_EQ(attribute(path, "system.posix_acl_access"), accessList);
        }
    }
    EXPECT_EQ(entriesIn(folder), 2);
}

// The new file takes the name only once written: one who has the old file open still
// reads the old bytes.
TEST_F(TuneFileTest, WritingPutsANewFileInThePlaceOfTheOld) {
    const fs::path path = folder / "song.TPZ";
    const std::string old(1000, 'x');
    writeBytes(path, old);
    const int reader = open(path.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    writeBytes(folder / ".pipalo-saving0", "someone else's");
    fs::create_symlink("planted", folder / ".pipalo-saving1");
    EXPECT_EQ(writeTuneFile(path.string(), "496,230\n"), "");
    EXPECT_EQ(fileBytes(path), "496,230\r\n");
    EXPECT_FALSE(fs::is_symlink(path));
    std::string stillRead(old.size() + 1, '\0');
    EXPECT_EQ(pread(reader, stillRead.data(), stillRead.size(), 0), static_cast<ssize_t>(old.size()));
    close(reader);
    EXPECT_EQ(fileBytes(folder / ".pipalo-saving0"), "someone else's");
    EXPECT_TRUE(fs::is_symlink(folder / ".pipalo-saving1"));
    EXPECT_EQ(entriesIn(folder), 3);
}

// Windows refuses to replace a read-only file; a private one stays private.
TEST_F(TuneFileTest, ReplacingKeepsTheFilesModeAndRefusesAReadOnlyFile) {
    const fs::path path = folder / "song.TPZ";
    writeBytes(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(writeTuneFile(path.string(), "496,230\n"), "");
    EXPECT_EQ(fileBytes(path), "496,230\r\n");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(writeTuneFile(path.string(), "263,230\n"), "Permission denied");
    EXPECT_EQ(fileBytes(path), "496,230\r\n");
    EXPECT_EQ(entriesIn(folder), 1);
}

TEST_F(TuneFileTest, FailureGivesTheSystemsReasonAndLeavesNoFileBehind) {
    EXPECT_EQ(writeTuneFile((folder / "missing" / "song.TPZ").string(), "263,230\n"),
              "No such file or directory");
    fs::create_directory(folder / "taken.TPZ");
    EXPECT_EQ(writeTuneFile((folder / "taken.TPZ").string(), "263,230\n"), "Is a directory");
    EXPECT_TRUE(fs::is_directory(folder / "taken.TPZ"));
    EXPECT_EQ(entriesIn(folder), 1);
}

// A filesystem of a few pages and inodes of the test's own, where one can be mounted.
class FullDiskTest : public TuneFileTest {
protected:
    void SetUp() override {
        TuneFileTest::SetUp();
        fs::create_directory(disk);
        if (mount("pipalo-test", disk.c_str(), "tmpfs", 0, "size=64k,nr_inodes=7,mode=0700") != 0)
            GTEST_SKIP() << "no small filesystem can be mounted here (" << std::strerror(errno)
                         << "): the full-disk cases are not run";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) umount2(disk.c_str(), MNT_DETACH);
    }

    // Empty files until no inode is left.
    void useEveryInode() {
        for (int index = 0;; ++index) {
            const int file = open((disk / ("empty" + std::to_string(index))).c_str(), O_WRONLY | O_CREAT, 0600);
            if (file < 0) return;
            close(file);
        }
    }
    // Bytes into the file until no page is left.
    static void useEveryPage(const fs::path& path) {
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        const std::string page(4096, 'f');
        while (write(file, page.data(), page.size()) > 0) {
        }
        close(file);
    }

    const fs::path disk = folder / "disk";
    bool mounted = false;
};

TEST_F(FullDiskTest, SavingOnAFullDiskFailsAndLeavesTheOldTuneAsItWas) {
    const std::string old = std::string(headerLineOnDisk) + "263,230\r\n394,230\r\n";
    const fs::path song = disk / "song.TPZ", linked = disk / "linked.TPZ";
    writeBytes(song, old);
    writeBytes(linked, old);
    fs::create_hard_link(linked, disk / "other name.TPZ");
    const std::string tune = std::string(headerLine) + std::string(20000, '\n');

    useEveryPage(disk / "pages");
    EXPECT_EQ(writeTuneFile(song.string(), tune), "No space left on device");
    EXPECT_EQ(fileBytes(song), old);
    EXPECT_FALSE(fs::exists(disk / ".pipalo-saving0"));
    // Rewritten in place, it runs out of room half-way: the old bytes go back.
    EXPECT_EQ(writeTuneFile(linked.string(), tune), "No space left on device");
    EXPECT_EQ(fileBytes(disk / "other name.TPZ"), old);

    useEveryInode();
    EXPECT_EQ(writeTuneFile(song.string(), tune), "No space left on device");
    EXPECT_EQ(fileBytes(song), old);
}

}  // namespace
}  // namespace tone_test
