// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

// Drop-down list of the drives: the mounted volumes, each named by the
// folder it is mounted at. The volume at "/" stands for the system drive and
// is selected at start.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    static inline const QString systemDrive = QStringLiteral("/");

    explicit DriveList(QWidget *parent = nullptr);

    // The selected drive's mount folder.
    QString drive() const;

    // Selects the drive mounted at root; false if no such drive is listed.
    bool setDrive(const QString &root);

    // Lists one more drive (the volumes are read once, at construction).
    void addDrive(const QString &root, const QString &name = {});

signals:
    // The selection moved, by the user or by setDrive.
    void driveChanged(const QString &root);
};
