#pragma once

#include <QString>

// A small file system of its own, mounted for one test and filled up on request, to see what every
// write does when the disk is full. It is a tmpfs with a size limit, mounted in a mount namespace of
// the test process's own (made at the first mount), so that nothing of it outlives the process even
// when the test dies. Mounting needs root with CAP_SYS_ADMIN: where that is refused, `mounted()` is
// false and `whyNot()` says why, for the test's skip message.
class SmallDisk {
public:
    // Mounts `sizeKib` KiB at the existing empty directory `path`.
    SmallDisk(const QString& path, int sizeKib);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    QString whyNot() const { return whyNot_; }
    QString path() const { return path_; }

    // Fills the disk, leaving `freeBytes` (rounded down to whole pages) free; false when it cannot.
    bool fill(qint64 freeBytes = 0);
    // Gives the room the filling took back.
    void release();
    // Bytes free now.
    qint64 freeBytes() const;

private:
    QString path_;
    QString filler_;
    bool mounted_ = false;
    QString whyNot_;
};
