#pragma once

#include <QFileDevice>
#include <QString>
#include <linux/capability.h>

// Makes a file read-only for the calling thread, in a way that holds for root as well: the file loses
// its write permission, and the thread puts aside the capability to override file permissions
// (CAP_DAC_OVERRIDE, which lets root write a read-only file) until the object goes. Capabilities are
// per thread on Linux, and the capability stays permitted, so it can be taken back afterwards.
class WriteProtection {
public:
    explicit WriteProtection(const QString& path);
    ~WriteProtection();
    WriteProtection(const WriteProtection&) = delete;
    WriteProtection& operator=(const WriteProtection&) = delete;

    // True when opening the file for writing is in fact refused.
    bool holds() const { return holds_; }

private:
    QString path_;
    QFileDevice::Permissions permissions_;
    __user_cap_data_struct saved_[_LINUX_CAPABILITY_U32S_3]{};
    bool capabilityDropped_ = false;
    bool holds_ = false;
};
