#pragma once

#include "data/uDM.h"

#include <QTemporaryDir>

// A temporary program folder with the data module opened on it: the tables
// start as a new installation's (empty log, shipped settings and tariffs).
class ProgramFolderFixture {
public:
    QTemporaryDir folder;
    TDM dm;

    ProgramFolderFixture() { dm.DataModuleCreate(folder.path()); }

    QString Path() const { return folder.path(); }
    QString DataFile(const QString& name) const { return folder.path() + QStringLiteral("/Dados/") + name; }

    // Posts one change to the settings row.
    template <class F>
    void EditConfig(F&& change)
    {
        dm.cdsConfig->Edit();
        change(dm);
        dm.cdsConfig->Post();
    }
};
