#include "platform/MountedVolumes.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using platform::MountedVolumes;

TEST(MountedVolumes, TheMountTableGivesTheFileSystemsThatHoldFiles) {
    const std::string table = "/dev/sda1 / ext4 rw,relatime 0 0\n"
                              "proc /proc proc rw 0 0\n"
                              "sysfs /sys sysfs rw 0 0\n"
                              "tmpfs /dev/shm tmpfs rw 0 0\n"
                              "binfmt_misc /proc/sys/fs/binfmt_misc binfmt_misc rw 0 0\n"
                              "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                              "gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw 0 0\n"
                              "/dev/sdb1 /media/ann/My\\040Stick\\011\\134x vfat rw 0 0\n"
                              "/dev/sda2 /home ext4 rw 0 0\n"
                              "/dev/sda2 /home ext4 rw 0 0\n" // mounted twice
                              "short line\n"
                              "/dev/sdc1 relative ext4 rw 0 0\n"
                              "/dev/sdd1 /bad\\000nul ext4 rw 0 0\n"
                              "/dev/sde1 /media/odd\\9 ext4 rw 0 0\n"
                              "\n"
                              "/dev/sdf1\t/mnt/tabs\text4 rw 0 0";
    EXPECT_EQ(MountedVolumes::parseMountTable(table),
              (std::vector<std::string>{"/", "/run/user/1000", "/media/ann/My Stick\t\\x", "/home",
                                        "/bad\\000nul", "/media/odd\\9", "/mnt/tabs"}));
    EXPECT_TRUE(MountedVolumes::parseMountTable("").empty());
    EXPECT_TRUE(MountedVolumes::parseMountTable(std::string(5000, '\\')).empty());
}

TEST(MountedVolumes, TheSandboxsVolumesAreTheFoldersOfItsVolumesFolder) {
    const std::string volumes = Sandbox::process().root() + "/Volumes";
    makeDirs(volumes + "/Stick");
    makeDirs(volumes + "/Backup Disk");
    writeFile(volumes + "/file", "not a volume");
    ASSERT_EQ(symlink("/", (volumes + "/Link").c_str()), 0);
    EXPECT_EQ(MountedVolumes::topFolders(),
              (std::vector<std::string>{volumes + "/Backup Disk", volumes + "/Stick"}));
    removeTree(volumes);
    EXPECT_TRUE(MountedVolumes::topFolders().empty());
}
