{
 "format": "Pulsim.Table",
 "version": 1,
 "table": "cdsTarifas",
 "fields": [
  {
   "name": "CodigoTarifa",
   "type": "String",
   "size": 5,
   "readOnly": false,
   "required": false
  },
  {
   "name": "Estado",
   "type": "String",
   "size": 25,
   "readOnly": false,
   "required": false
  },
  {
   "name": "Operadora",
   "type": "String",
   "size": 35,
   "readOnly": false,
   "required": false
  },
  {
   "name": "Tarifa",
   "type": "Float",
   "size": 0,
   "readOnly": false,
   "required": false
  }
 ],
 "indexes": [
  {
   "name": "cdsTarifasIndexEstado",
   "field": "Estado",
   "descending": false
  }
 ],
 "autoIncrement": 1,
 "rows": [
  [
   "AC001",
   "Acre",
   "Brasil Telecom",
   0.12105
  ],
  [
   "AL001",
   "Alagoas",
   "Telemar",
   0.11282
  ],
  [
   "AP001",
   "Amapá",
   "Telemar",
   0.11282
  ],
  [
   "AM001",
   "Amazonas",
   "Telemar",
   0.11282
  ],
  [
   "BA001",
   "Bahia",
   "Telemar",
   0.11282
  ],
  [
   "CE001",
   "Ceará",
   "Telemar",
   0.11282
  ],
  [
   "DF001",
   "Distrito Federal",
   "Brasil Telecom",
   0.12105
  ],
  [
   "ES001",
   "Espírito Santo",
   "Telemar",
   0.11282
  ],
  [
   "GO001",
   "Goiás",
   "Brasil Telecom",
   0.12105
  ],
  [
   "GO002",
   "Goiás",
   "CTBC Telecom",
   0.1189
  ],
  [
   "MA001",
   "Maranhão",
   "Telemar",
   0.11282
  ],
  [
   "MT001",
   "Mato Grosso",
   "Brasil Telecom",
   0.12105
  ],
  [
   "MS001",
   "Mato Grosso do Sul",
   "Brasil Telecom",
   0.12105
  ],
  [
   "MS002",
   "Mato Grosso do Sul",
   "CTBC Telecom",
   0.1189
  ],
  [
   "MG001",
   "Minas Gerais",
   "Telemar",
   0.11282
  ],
  [
   "MG002",
   "Minas Gerais",
   "CTBC Telecom",
   0.1189
  ],
  [
   "PA001",
   "Pará",
   "Telemar",
   0.11282
  ],
  [
   "PB001",
   "Paraíba",
   "Telemar",
   0.11282
  ],
  [
   "PR001",
   "Paraná",
   "Brasil Telecom",
   0.12105
  ],
  [
   "PR002",
   "Paraná",
   "Sercomtel",
   0.1089
  ],
  [
   "PE001",
   "Pernambuco",
   "Telemar",
   0.11282
  ],
  [
   "PI001",
   "Piauí",
   "Telemar",
   0.11282
  ],
  [
   "RJ001",
   "Rio de Janeiro",
   "Telemar",
   0.11282
  ],
  [
   "RN001",
   "Rio Grande do Norte",
   "Telemar",
   0.11282
  ],
  [
   "RS001",
   "Rio Grande do Sul",
   "Brasil Telecom",
   0.12105
  ],
  [
   "RO001",
   "Rondônia",
   "Brasil Telecom",
   0.12105
  ],
  [
   "RR001",
   "Roraima",
   "Telemar",
   0.11282
  ],
  [
   "SC001",
   "Santa Catarina",
   "Brasil Telecom",
   0.12105
  ],
  [
   "SP001",
   "São Paulo",
   "Telefônica",
   0.10534
  ],
  [
   "SP002",
   "São Paulo",
   "CTBC Telecom",
   0.1189
  ],
  [
   "SE001",
   "Sergipe",
   "Telemar",
   0.11282
  ],
  [
   "TO001",
   "Tocantins",
   "Brasil Telecom",
   0.12105
  ]
 ]
}
