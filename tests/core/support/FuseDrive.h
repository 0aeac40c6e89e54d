#pragma once

#include "TempDir.h"
#include "core/drive/Drive.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/statfs.h>
#include <unistd.h>

// A small file system image mounted through its FUSE helper (exfat-fuse or ntfs-3g) on a loop
// device, under a temporary folder: the drives people rename music and photos on, with the calls
// they really answer. Unmounted and detached when the test ends, also when it fails. Where the
// machine cannot mount one (no /dev/fuse, no loop device, not root, a tool missing), `skipped()`
// says why, for GTEST_SKIP.
class FuseDrive {
public:
    enum class Kind { Exfat, Ntfs };

    explicit FuseDrive(Kind kind) : m_mountPoint(m_base.path() / "drive") {
        filvane::forgetDrives(); // a mount number of an earlier test may come back
        if (::geteuid() != 0) {
            m_skipped = "mounting an image needs root";
            return;
        }
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            m_skipped = "no /dev/fuse";
            return;
        }
        const char *maker = kind == Kind::Exfat ? "mkfs.exfat" : "mkntfs";
        const char *helper = kind == Kind::Exfat ? "mount.exfat-fuse" : "ntfs-3g";
        for (const char *tool : {maker, helper, "losetup"})
            if (!found(tool)) {
                m_skipped = std::string(tool) + " is not installed";
                return;
            }
        const std::string image = m_base.file("image");
        std::filesystem::create_directory(m_mountPoint);
        const std::string format =
            kind == Kind::Exfat ? "mkfs.exfat " + image : "mkntfs -F -Q -q " + image;
        if (!sh("truncate -s 8M " + image) || !sh(format)) {
            m_skipped = std::string(maker) + " failed";
            return;
        }
        m_loop = output("losetup -f --show " + image);
        if (m_loop.empty()) {
            m_skipped = "no loop device";
            return;
        }
        // The helper named, never `mount -t exfat`, which may take the kernel's own module.
        if (!sh(std::string(helper) + " " + m_loop + " " + m_mountPoint.string())) {
            m_skipped = std::string(helper) + " could not mount the image";
            return;
        }
        m_mounted = true;
        struct statfs fs {};
        if (::statfs(m_mountPoint.c_str(), &fs) != 0 || fs.f_type != 0x65735546)
            m_skipped = "the image was not mounted through FUSE";
    }
    ~FuseDrive() {
        if (m_mounted) {
            // A folder still in use (a failed test's descriptor) is let go lazily.
            if (!sh("umount " + m_mountPoint.string()))
                sh("umount -l " + m_mountPoint.string());
        }
        if (!m_loop.empty())
            sh("losetup -d " + m_loop);
        filvane::forgetDrives();
    }
    FuseDrive(const FuseDrive &) = delete;
    FuseDrive &operator=(const FuseDrive &) = delete;

    // Why the drive could not be had; empty when it is mounted.
    const std::string &skipped() const { return m_skipped; }
    const std::filesystem::path &path() const { return m_mountPoint; }
    std::string str() const { return m_mountPoint.string(); }

private:
    // The tools live in sbin, which a test's PATH may lack.
    static constexpr const char *Path = "PATH=\"$PATH:/usr/sbin:/sbin\" ";
    static bool sh(const std::string &command) {
        return std::system((Path + command + " >/dev/null 2>&1").c_str()) == 0;
    }
    static bool found(const char *tool) { return sh(std::string("command -v ") + tool); }
    static std::string output(const std::string &command) {
        std::string text;
        if (FILE *pipe = ::popen((Path + command + " 2>/dev/null").c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe))
                text += buffer;
            if (::pclose(pipe) != 0)
                text.clear();
        }
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        return text;
    }

    TempDir m_base;
    std::filesystem::path m_mountPoint;
    std::string m_loop;
    std::string m_skipped;
    bool m_mounted = false;
};

#define SKIP_WITHOUT(drive)                                                                        \
    do {                                                                                           \
        if (!(drive).skipped().empty())                                                            \
            GTEST_SKIP() << (drive).skipped();                                                     \
    } while (false)
