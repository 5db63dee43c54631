#pragma once

#include "common/BoxCount.h"

#include <QString>

#include <array>

// The boxes (kBoxes, the one box count) as the box list file describes them:
// an address per box and whether status changes are reported to it.
struct BoxList {
    static constexpr int kBoxes = BoxCount::kBoxes;
    static inline const QString kUnconfigured = QStringLiteral("0.0.0.0");

    std::array<QString, kBoxes> addresses = unconfigured();
    std::array<int, kBoxes> reportFlags{};

    // box is 1..kBoxes. The address exactly as stored (not trimmed).
    QString address(int box) const { return addresses.at(box - 1); }
    int reportFlag(int box) const { return reportFlags.at(box - 1); }
    // "0.0.0.0", compared exactly, marks a box that is not configured.
    bool isConfigured(int box) const { return address(box) != kUnconfigured; }
    // Whether the box names an address at all, blanks around it dropped: not
    // empty and not "0.0.0.0". Whether it may be contacted is BoxAddress's rule.
    bool namesAddress(int box) const
    {
        const QString a = address(box).trimmed();
        return !a.isEmpty() && a != kUnconfigured;
    }

    static std::array<QString, kBoxes> unconfigured()
    {
        std::array<QString, kBoxes> all;
        all.fill(kUnconfigured);
        return all;
    }

    bool operator==(const BoxList &other) const
    {
        return addresses == other.addresses && reportFlags == other.reportFlags;
    }
};
