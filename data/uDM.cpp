#include "data/uDM.h"

#include "core/Format.h"
#include "core/UserDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const QString TDM::AcessosIndex = QStringLiteral("cdsAcessosIndex1");

namespace {

TField* Add(TTable* table, const char* name, TFieldType type, int size = 0, bool readOnly = false,
            bool required = false)
{
    TFieldDef def;
    def.Name = QString::fromLatin1(name);
    def.DataType = type;
    def.Size = size;
    def.ReadOnly = readOnly;
    def.Required = required;
    return table->AddField(def);
}

TField* AddCalculated(TTable* table, const char* name, TFieldType type, int size = 0)
{
    TFieldDef def;
    def.Name = QString::fromLatin1(name);
    def.DataType = type;
    def.Size = size;
    def.Kind = TFieldKind::Calculated;
    return table->AddField(def);
}

const QString DefaultsFolder = QStringLiteral(":/defaults/Dados/");

} // namespace

TDM::TDM(QObject* parent)
    : QObject(parent)
    , cdsAcessos(new TTable(QStringLiteral("cdsAcessos"), this))
    , cdsConfig(new TTable(QStringLiteral("cdsConfig"), this))
    , cdsTarifas(new TTable(QStringLiteral("cdsTarifas"), this))
    , cdsUsuarios(new TTable(QStringLiteral("cdsUsuarios"), this))
    , m_configDefaults(new TTable(QStringLiteral("cdsConfig"), this))
{
    using T = TFieldType;

    cdsAcessosCodigo = Add(cdsAcessos, "Codigo", T::AutoInc, 0, true);
    cdsAcessosInicio = Add(cdsAcessos, "Inicio", T::DateTime);
    cdsAcessosFim = Add(cdsAcessos, "Fim", T::DateTime);
    cdsAcessosCusto = Add(cdsAcessos, "Custo", T::Float);
    cdsAcessosEconomia = Add(cdsAcessos, "Economia", T::Float);
    cdsAcessosDuracao = Add(cdsAcessos, "Duracao", T::Float);
    cdsAcessosPulsos = Add(cdsAcessos, "Pulsos", T::Integer);
    cdsAcessosUsuario = Add(cdsAcessos, "Usuario", T::String, 30);
    cdsAcessosDuracaoStr = AddCalculated(cdsAcessos, "DuracaoStr", T::String, 20);
    cdsAcessosDataInicio = AddCalculated(cdsAcessos, "DataInicio", T::Date);
    cdsAcessosDataFim = AddCalculated(cdsAcessos, "DataFim", T::Date);
    cdsAcessosHoraInicio = AddCalculated(cdsAcessos, "HoraInicio", T::Time);
    cdsAcessosHoraFim = AddCalculated(cdsAcessos, "HoraFim", T::Time);
    cdsAcessosCusto->DisplayFormat = QStringLiteral("'R$' #,0.0000");
    cdsAcessosEconomia->DisplayFormat = QStringLiteral("#,0.0000");
    cdsAcessosPulsos->DisplayFormat = QStringLiteral("000");
    cdsAcessos->AddIndex(AcessosIndex, QStringLiteral("Inicio"), true, true);
    cdsAcessos->SetIndexName(AcessosIndex);

    cdsConfigHorarioVerao = Add(cdsConfig, "HorarioVerao", T::Boolean);
    cdsConfigAtualizarHora = Add(cdsConfig, "AtualizarHora", T::Boolean);
    cdsConfigAtualizarTarifa = Add(cdsConfig, "AtualizarTarifa", T::Boolean);
    cdsConfigAbrirComWindows = Add(cdsConfig, "AbrirComWindows", T::Boolean);
    cdsConfigInformarGastos = Add(cdsConfig, "InformarGastos", T::Boolean);
    cdsConfigTarifaSelecionada = Add(cdsConfig, "TarifaSelecionada", T::Float);
    cdsConfigEstadoSelecionado = Add(cdsConfig, "EstadoSelecionado", T::String, 5);
    cdsConfigMinutosPulso = Add(cdsConfig, "MinutosPulso", T::Smallint);
    cdsConfigFusoHorario = Add(cdsConfig, "FusoHorario", T::Smallint);
    cdsConfigDataInstalacao = Add(cdsConfig, "DataInstalacao", T::Date);
    cdsConfigDataAtualizacao = Add(cdsConfig, "DataAtualizacao", T::Date);
    cdsConfigDiaFechaConta = Add(cdsConfig, "DiaFechaConta", T::Smallint);
    cdsConfigTempoEspera = Add(cdsConfig, "TempoEspera", T::Integer);
    cdsConfigSenhaSeguranca = Add(cdsConfig, "SenhaSeguranca", T::String, 30);
    cdsConfigOcultarCAD = Add(cdsConfig, "OcultarCAD", T::Boolean);
    cdsConfigOcultarTrayIcon = Add(cdsConfig, "OcultarTrayIcon", T::Boolean);
    cdsConfigBloquearUsuarios = Add(cdsConfig, "BloquearUsuarios", T::Boolean);
    cdsConfigBloquarAberturaPulsim = Add(cdsConfig, "BloquarAberturaPulsim", T::Boolean);
    cdsConfigBloquearDesativacao = Add(cdsConfig, "BloquearDesativacao", T::Boolean);
    cdsConfigBloquearMSDOS = Add(cdsConfig, "BloquearMSDOS", T::Boolean);
    cdsConfigBloquearDataHora = Add(cdsConfig, "BloquearDataHora", T::Boolean);
    cdsConfigBloquearExclusao = Add(cdsConfig, "BloquearExclusao", T::Boolean);
    cdsConfigBloquearInternet = Add(cdsConfig, "BloquearInternet", T::Boolean);
    cdsConfigPortaModem = Add(cdsConfig, "PortaModem", T::String, 4);
    cdsConfigDetectarMudancaHora = Add(cdsConfig, "DetectarMudancaHora", T::Boolean);
    cdsConfigBloquearHorarioMulti = Add(cdsConfig, "BloquearHorarioMulti", T::Boolean);
    cdsConfigDetailColor = Add(cdsConfig, "DetailColor", T::Integer);

    for (const TFieldDef& def : cdsConfig->FieldDefs())
        m_configDefaults->AddField(def);
    m_configDefaults->SetFileName(DefaultsFolder + QStringLiteral("Config.cds"));

    cdsTarifasCodigoTarifa = Add(cdsTarifas, "CodigoTarifa", T::String, 5);
    cdsTarifasEstado = Add(cdsTarifas, "Estado", T::String, 25);
    cdsTarifasOperadora = Add(cdsTarifas, "Operadora", T::String, 35);
    cdsTarifasTarifa = Add(cdsTarifas, "Tarifa", T::Float);
    cdsTarifasTarifa->DisplayFormat = QStringLiteral("'R$' 0.00000");
    // The settings list shows the tariffs by state, so the table always is.
    cdsTarifas->AddIndex(QStringLiteral("cdsTarifasIndexEstado"), QStringLiteral("Estado"), false, true);
    cdsTarifas->SetIndexName(QStringLiteral("cdsTarifasIndexEstado"));

    cdsUsuariosCodigoUsuario = Add(cdsUsuarios, "CodigoUsuario", T::AutoInc, 0, true);
    cdsUsuariosNome = Add(cdsUsuarios, "Nome", T::String, 127, false, true);

    for (TTable* table : {cdsAcessos, cdsConfig, cdsTarifas, cdsUsuarios})
        table->AfterPost = [this](TTable* t) { cdsAcessosAfterPost(t); };
    cdsAcessos->OnCalcFields = [this](TTable* t) { cdsAcessosCalcFields(t); };
    cdsAcessos->OnFilterRecord = [this](TTable* t) { return cdsAcessosFilterRecord(t); };
    cdsUsuarios->OnPostError = [this](TTable* t, const EDatabaseError& e) { return cdsUsuariosPostError(t, e); };
}

TDM::~TDM() = default;

void TDM::DataModuleCreate(const QString& programFolder)
{
    // Every date the program writes or reads as text is day/month/year.
    TFormatSettings settings = FormatSettings();
    settings.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    settings.DateSeparator = QLatin1Char('/');
    SetFormatSettings(settings);

    for (TTable* table : {cdsAcessos, cdsConfig, cdsTarifas, cdsUsuarios})
        RunGuarded([table] { table->Close(); });

    const QString dataFolder = QDir(programFolder).filePath(QStringLiteral("Dados"));
    cdsAcessos->SetFileName(QDir(dataFolder).filePath(QStringLiteral("Acessos.cds")));
    cdsConfig->SetFileName(QDir(dataFolder).filePath(QStringLiteral("Config.cds")));
    cdsTarifas->SetFileName(QDir(dataFolder).filePath(QStringLiteral("Tarifas.cds")));
    cdsUsuarios->SetFileName(QDir(dataFolder).filePath(QStringLiteral("Usuarios.cds")));

    OpenTables();
}

void TDM::OpenTables()
{
    RunGuarded([this] { m_configDefaults->Open(); });
    // Each table opens on its own: a damaged access log must not leave the
    // settings or the tariffs unusable.
    OpenTable(cdsAcessos, QString());
    OpenTable(cdsConfig, DefaultsFolder + QStringLiteral("Config.cds"));
    OpenTable(cdsTarifas, DefaultsFolder + QStringLiteral("Tarifas.cds"));
    OpenTable(cdsUsuarios, QString());
}

void TDM::OpenTable(TTable* table, const QString& defaultsResource)
{
    RunGuarded([&] {
        if (table->Active())
            return;
        const QString fileName = table->FileName();
        if (QFileInfo::exists(fileName)) {
            table->Open();
            return;
        }
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        if (defaultsResource.isEmpty()) {
            // A new, empty table: its file (with the field definitions) is
            // written now, or at the next save if the folder refuses it.
            table->CreateDataSet();
            table->SaveToFile();
            return;
        }
        // Settings and tariffs start from the copies shipped with the program.
        if (QFile::copy(defaultsResource, fileName)) {
            QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                QFile::ReadOther);
            table->Open();
            return;
        }
        // The folder refuses the copy: run on the defaults in memory; closing
        // the table writes the file if the folder accepts it by then.
        table->SetFileName(defaultsResource);
        try {
            table->Open();
        } catch (...) {
            table->SetFileName(fileName);
            throw;
        }
        table->SetFileName(fileName);
        throw EInOutError(QStringLiteral("%1: não foi possível criar o arquivo \"%2\"")
                              .arg(table->Name(), QDir::toNativeSeparators(fileName)));
    });
}

void TDM::CloseTables()
{
    for (TTable* table : {cdsAcessos, cdsConfig, cdsTarifas, cdsUsuarios})
        RunGuarded([table] { table->Close(); });
}

const TField& TDM::Setting(const TField* configField) const
{
    if (cdsConfig->Active() && cdsConfig->RecordCount() > 0)
        return *configField;
    return *m_configDefaults->Fields(configField->Index());
}

void TDM::AddToTotals(TAccessTotals& totals, TDateTime start, TDateTime end) const
{
    if (cdsAcessosInicio->AsDateTime() < start || cdsAcessosFim->AsDateTime() > end)
        return;
    totals.Pulsos += cdsAcessosPulsos->AsInteger();
    totals.Duracao += cdsAcessosDuracao->AsFloat();
    totals.Custo += cdsAcessosCusto->AsFloat();
    totals.Economia += cdsAcessosEconomia->AsFloat();
}

void TDM::ComputePeriodTotals(TDateTime start, TDateTime end)
{
    SomaPulsos = 0;
    SomaDuracao = SomaCusto = SomaEconomia = 0;
    TAccessTotals totals;
    TTable* acessos = cdsAcessos;
    const int recNo = acessos->RecNo();
    {
        const TControlsDisabled suspended(*acessos);
        for (acessos->First(); !acessos->Eof(); acessos->Next())
            AddToTotals(totals, start, end);
        if (recNo > 0)
            acessos->SetRecNo(recNo);
    }
    SomaPulsos = totals.Pulsos;
    SomaDuracao = totals.Duracao;
    SomaCusto = totals.Custo;
    SomaEconomia = totals.Economia;
}

TAccessTotals TDM::TotalsOfAllAccesses(TDateTime start, TDateTime end)
{
    TAccessTotals totals;
    cdsAcessos->ForEachRecord([&] { AddToTotals(totals, start, end); });
    return totals;
}

void TDM::cdsAcessosAfterPost(TTable* DataSet)
{
    // A file that cannot be written is reported, and the post stands: the
    // table keeps the change in memory and the next save writes it.
    RunGuarded([DataSet] { DataSet->SaveToFile(); });
}

void TDM::cdsAcessosCalcFields(TTable* DataSet)
{
    Q_UNUSED(DataSet);
    try {
        cdsAcessosDuracaoStr->SetAsString(FormatDuration(cdsAcessosDuracao->AsFloat()));
        const TDateTime inicio = cdsAcessosInicio->AsDateTime();
        cdsAcessosDataInicio->SetAsDateTime(DateOf(inicio));
        cdsAcessosHoraInicio->SetAsDateTime(TimeOf(inicio));
        const TDateTime fim = cdsAcessosFim->AsDateTime();
        cdsAcessosDataFim->SetAsDateTime(DateOf(fim));
        cdsAcessosHoraFim->SetAsDateTime(TimeOf(fim));
    } catch (...) {
        NotifyUser(QStringLiteral("Houve um erro ao calcular alguns dados dos acessos registrados. "
                                  "Se o problema persistir, contate o suporte."));
    }
}

bool TDM::cdsAcessosFilterRecord(TTable* DataSet)
{
    Q_UNUSED(DataSet);
    const TDateTime inicio = cdsAcessosInicio->AsDateTime();
    if (!(inicio > InicioPeriodo && inicio <= FimPeriodo))
        return false;
    return FiltroUsuario == QLatin1String("Todos") || cdsAcessosUsuario->AsString() == FiltroUsuario;
}

TDataAction TDM::cdsUsuariosPostError(TTable* DataSet, const EDatabaseError& E)
{
    Q_UNUSED(DataSet);
    if (E.Message().contains(QLatin1String("must have a value"))) {
        ShowInfo(QStringLiteral("Não é possível dar permissão a um usuário sem nome."));
        return TDataAction::Abort;
    }
    return TDataAction::Fail;
}
