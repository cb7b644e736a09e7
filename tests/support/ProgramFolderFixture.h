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

    // Appends and posts one access; answers its bookmark.
    TBookmark AddAccess(const QString& user, TDateTime inicio, TDateTime fim, double custo = 0.11, int pulsos = 1,
                        double economia = 0)
    {
        TTable* acessos = dm.cdsAcessos;
        acessos->Append();
        dm.cdsAcessosUsuario->SetAsString(user);
        dm.cdsAcessosInicio->SetAsDateTime(inicio);
        dm.cdsAcessosFim->SetAsDateTime(fim);
        dm.cdsAcessosDuracao->SetAsFloat(fim - inicio);
        dm.cdsAcessosCusto->SetAsFloat(custo);
        dm.cdsAcessosEconomia->SetAsFloat(economia);
        dm.cdsAcessosPulsos->SetAsInteger(pulsos);
        acessos->Post();
        return acessos->GetBookmark();
    }

    // Posts one change to the settings row.
    template <class F>
    void EditConfig(F&& change)
    {
        dm.cdsConfig->Edit();
        change(dm);
        dm.cdsConfig->Post();
    }
};
