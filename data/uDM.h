#pragma once

#include "core/DateTime.h"
#include "data/Table.h"

#include <QObject>
#include <QString>

// The data module: the program's whole persistent state in four tables, each
// kept in its own file in the folder Dados, plus the rules that belong to the
// data rather than to a window — the derived fields of an access, which
// accesses pass the access filter, and when a table is written back.
// The sums of a set of accesses.
struct TAccessTotals {
    int Pulsos = 0;
    double Duracao = 0;
    double Custo = 0;
    double Economia = 0;
};

class TDM final : public QObject {
    Q_OBJECT

public:
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // Opens the four tables from `programFolder`/Dados. A table that cannot be
    // opened is reported in the error box and stays closed; the others open
    // all the same. Missing files are created: Acessos.cds and Usuarios.cds
    // empty, Config.cds and Tarifas.cds from the defaults shipped with the
    // program. A file that exists but cannot be read is never overwritten.
    void DataModuleCreate(const QString& programFolder);
    // Opens any table that is closed (used when a connection begins).
    void OpenTables();
    // Closes the four tables, writing pending changes; a failure is reported
    // and that table stays open with its data.
    void CloseTables();

    TTable* const cdsAcessos;
    TTable* const cdsConfig;
    TTable* const cdsTarifas;
    TTable* const cdsUsuarios;

    // cdsAcessos
    TField* cdsAcessosCodigo;
    TField* cdsAcessosInicio;
    TField* cdsAcessosFim;
    TField* cdsAcessosCusto;
    TField* cdsAcessosEconomia;
    TField* cdsAcessosDuracao;
    TField* cdsAcessosPulsos;
    TField* cdsAcessosUsuario;
    TField* cdsAcessosDuracaoStr;
    TField* cdsAcessosDataInicio;
    TField* cdsAcessosDataFim;
    TField* cdsAcessosHoraInicio;
    TField* cdsAcessosHoraFim;

    // cdsConfig
    TField* cdsConfigHorarioVerao;
    TField* cdsConfigAtualizarHora;
    TField* cdsConfigAtualizarTarifa;
    TField* cdsConfigAbrirComWindows;
    TField* cdsConfigInformarGastos;
    TField* cdsConfigTarifaSelecionada;
    TField* cdsConfigEstadoSelecionado;
    TField* cdsConfigMinutosPulso;
    TField* cdsConfigFusoHorario;
    TField* cdsConfigDataInstalacao;
    TField* cdsConfigDataAtualizacao;
    TField* cdsConfigDiaFechaConta;
    TField* cdsConfigTempoEspera;
    TField* cdsConfigSenhaSeguranca;
    TField* cdsConfigOcultarCAD;
    TField* cdsConfigOcultarTrayIcon;
    TField* cdsConfigBloquearUsuarios;
    TField* cdsConfigBloquarAberturaPulsim;
    TField* cdsConfigBloquearDesativacao;
    TField* cdsConfigBloquearMSDOS;
    TField* cdsConfigBloquearDataHora;
    TField* cdsConfigBloquearExclusao;
    TField* cdsConfigBloquearInternet;
    TField* cdsConfigPortaModem;
    TField* cdsConfigDetectarMudancaHora;
    TField* cdsConfigBloquearHorarioMulti;
    TField* cdsConfigDetailColor;

    // cdsTarifas
    TField* cdsTarifasCodigoTarifa;
    TField* cdsTarifasEstado;
    TField* cdsTarifasOperadora;
    TField* cdsTarifasTarifa;

    // cdsUsuarios
    TField* cdsUsuariosCodigoUsuario;
    TField* cdsUsuariosNome;

    // The access filter: which user ("Todos" for everyone) and which period
    // (start exclusive, end inclusive) the access list shows.
    QString FiltroUsuario;
    TDateTime InicioPeriodo = 0;
    TDateTime FimPeriodo = 0;

    // The totals of a period: filled by ComputePeriodTotals, shown by the main
    // window, the connection summary and the report.
    int SomaPulsos = 0;
    double SomaDuracao = 0;
    double SomaCusto = 0;
    double SomaEconomia = 0;

    // Sums the listed accesses (filtered and ordered as the list shows them)
    // that began at or after `start` and ended at or before `end`. The views
    // are suspended meanwhile and the list keeps its current record.
    void ComputePeriodTotals(TDateTime start, TDateTime end);
    // The same sums over every access of every user, whatever the list shows,
    // without moving the list or touching the Soma values the list shows.
    TAccessTotals TotalsOfAllAccesses(TDateTime start, TDateTime end);

    // A setting as the program applies it: the field of cdsConfig, or the
    // shipped default while the settings file cannot be read (the damaged
    // file is left as it is, and the user was told when it failed to open).
    const TField& Setting(const TField* configField) const;

    // Handlers of the tables' events.
    void cdsAcessosAfterPost(TTable* DataSet);
    void cdsAcessosCalcFields(TTable* DataSet);
    bool cdsAcessosFilterRecord(TTable* DataSet);
    TDataAction cdsUsuariosPostError(TTable* DataSet, const EDatabaseError& E);

    // Names of the files in Dados and of the stored index of the access log.
    static const QString AcessosIndex;

private:
    void OpenTable(TTable* table, const QString& defaultsResource);
    // Adds the active record of cdsAcessos when it lies within the bounds.
    void AddToTotals(TAccessTotals& totals, TDateTime start, TDateTime end) const;

    // The shipped settings, in memory only; they stand in for a settings file
    // that cannot be read.
    TTable* const m_configDefaults;
};
