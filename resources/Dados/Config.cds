{
 "format": "Pulsim.Table",
 "version": 1,
 "table": "cdsConfig",
 "fields": [
  {
   "name": "HorarioVerao",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "AtualizarHora",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "AtualizarTarifa",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "AbrirComWindows",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "InformarGastos",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "TarifaSelecionada",
   "type": "Float",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "EstadoSelecionado",
   "type": "String",
   "size": 5,
   "readOnly": false,
   "required": false
  },
  {
   "name": "MinutosPulso",
   "type": "Smallint",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "FusoHorario",
   "type": "Smallint",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "DataInstalacao",
   "type": "Date",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "DataAtualizacao",
   "type": "Date",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "DiaFechaConta",
   "type": "Smallint",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "TempoEspera",
   "type": "Integer",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "SenhaSeguranca",
   "type": "String",
   "size": 30,
   "readOnly": false,
   "required": false
  },
  {
   "name": "OcultarCAD",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "OcultarTrayIcon",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquearUsuarios",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquarAberturaPulsim",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquearDesativacao",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquearMSDOS",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquearDataHora",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquearExclusao",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquearInternet",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "PortaModem",
   "type": "String",
   "size": 4,
   "readOnly": false,
   "required": false
  },
  {
   "name": "DetectarMudancaHora",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "BloquearHorarioMulti",
   "type": "Boolean",
   "size": 0,
   "readOnly": false,
   "required": false
  },
  {
   "name": "DetailColor",
   "type": "Integer",
   "size": 0,
   "readOnly": false,
   "required": false
  }
 ],
 "indexes": [],
 "autoIncrement": 1,
 "rows": [
  [
   false,
   false,
   false,
   false,
   true,
   0.10534,
   "SP001",
   4,
   0,
   null,
   null,
   20,
   60,
   null,
   false,
   false,
   false,
   false,
   false,
   false,
   false,
   false,
   false,
   "COM2",
   false,
   false,
   9126447
  ]
 ]
}
