#!/usr/bin/env python3
"""Writes the settings and tariff tables shipped with Pulsim (resources/Dados).

The prices are samples of the pulse-tariff era, one row per operator in each of
the 27 federative units; users check them against their own phone bill.
Run from the repository root: tools/make_default_tables.py
"""
import json
import pathlib

OUT = pathlib.Path(__file__).resolve().parent.parent / "resources" / "Dados"

TELEMAR, BRT, TELEFONICA, CTBC, SERCOMTEL = (
    "Telemar", "Brasil Telecom", "Telefônica", "CTBC Telecom", "Sercomtel")
PRICE = {TELEMAR: 0.11282, BRT: 0.12105, TELEFONICA: 0.10534, CTBC: 0.11890, SERCOMTEL: 0.10890}

STATES = [
    ("AC", "Acre", [BRT]),
    ("AL", "Alagoas", [TELEMAR]),
    ("AP", "Amapá", [TELEMAR]),
    ("AM", "Amazonas", [TELEMAR]),
    ("BA", "Bahia", [TELEMAR]),
    ("CE", "Ceará", [TELEMAR]),
    ("DF", "Distrito Federal", [BRT]),
    ("ES", "Espírito Santo", [TELEMAR]),
    ("GO", "Goiás", [BRT, CTBC]),
    ("MA", "Maranhão", [TELEMAR]),
    ("MT", "Mato Grosso", [BRT]),
    ("MS", "Mato Grosso do Sul", [BRT, CTBC]),
    ("MG", "Minas Gerais", [TELEMAR, CTBC]),
    ("PA", "Pará", [TELEMAR]),
    ("PB", "Paraíba", [TELEMAR]),
    ("PR", "Paraná", [BRT, SERCOMTEL]),
    ("PE", "Pernambuco", [TELEMAR]),
    ("PI", "Piauí", [TELEMAR]),
    ("RJ", "Rio de Janeiro", [TELEMAR]),
    ("RN", "Rio Grande do Norte", [TELEMAR]),
    ("RS", "Rio Grande do Sul", [BRT]),
    ("RO", "Rondônia", [BRT]),
    ("RR", "Roraima", [TELEMAR]),
    ("SC", "Santa Catarina", [BRT]),
    ("SP", "São Paulo", [TELEFONICA, CTBC]),
    ("SE", "Sergipe", [TELEMAR]),
    ("TO", "Tocantins", [BRT]),
]


def field(name, type_, size=0, read_only=False, required=False):
    return {"name": name, "type": type_, "size": size, "readOnly": read_only, "required": required}


def table(name, fields, rows, indexes=()):
    return {"format": "Pulsim.Table", "version": 1, "table": name, "fields": fields,
            "indexes": list(indexes), "autoIncrement": 1, "rows": rows}


def write(path, data):
    path.write_text(json.dumps(data, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    tariffs = []
    for uf, state, operators in STATES:
        for n, operator in enumerate(operators, start=1):
            tariffs.append([f"{uf}{n:03d}", state, operator, PRICE[operator]])
    write(OUT / "Tarifas.cds", table(
        "cdsTarifas",
        [field("CodigoTarifa", "String", 5), field("Estado", "String", 25),
         field("Operadora", "String", 35), field("Tarifa", "Float")],
        tariffs,
        [{"name": "cdsTarifasIndexEstado", "field": "Estado", "descending": False}]))

    config_fields = [
        field("HorarioVerao", "Boolean"), field("AtualizarHora", "Boolean"),
        field("AtualizarTarifa", "Boolean"), field("AbrirComWindows", "Boolean"),
        field("InformarGastos", "Boolean"), field("TarifaSelecionada", "Float"),
        field("EstadoSelecionado", "String", 5), field("MinutosPulso", "Smallint"),
        field("FusoHorario", "Smallint"), field("DataInstalacao", "Date"),
        field("DataAtualizacao", "Date"), field("DiaFechaConta", "Smallint"),
        field("TempoEspera", "Integer"), field("SenhaSeguranca", "String", 30),
        field("OcultarCAD", "Boolean"), field("OcultarTrayIcon", "Boolean"),
        field("BloquearUsuarios", "Boolean"), field("BloquarAberturaPulsim", "Boolean"),
        field("BloquearDesativacao", "Boolean"), field("BloquearMSDOS", "Boolean"),
        field("BloquearDataHora", "Boolean"), field("BloquearExclusao", "Boolean"),
        field("BloquearInternet", "Boolean"), field("PortaModem", "String", 4),
        field("DetectarMudancaHora", "Boolean"), field("BloquearHorarioMulti", "Boolean"),
        field("DetailColor", "Integer"),
    ]
    values = {
        "HorarioVerao": False, "AtualizarHora": False, "AtualizarTarifa": False,
        "AbrirComWindows": False, "InformarGastos": True,
        "TarifaSelecionada": PRICE[TELEFONICA], "EstadoSelecionado": "SP001",
        "MinutosPulso": 4, "FusoHorario": 0, "DataInstalacao": None, "DataAtualizacao": None,
        "DiaFechaConta": 20, "TempoEspera": 60, "SenhaSeguranca": None,
        "OcultarCAD": False, "OcultarTrayIcon": False, "BloquearUsuarios": False,
        "BloquarAberturaPulsim": False, "BloquearDesativacao": False, "BloquearMSDOS": False,
        "BloquearDataHora": False, "BloquearExclusao": False, "BloquearInternet": False,
        "PortaModem": "COM2", "DetectarMudancaHora": False, "BloquearHorarioMulti": False,
        # RGB 47, 66, 139 with red in the low byte: the program's navy accent.
        "DetailColor": 47 | 66 << 8 | 139 << 16,
    }
    write(OUT / "Config.cds", table("cdsConfig", config_fields, [[values[f["name"]] for f in config_fields]]))


if __name__ == "__main__":
    main()
