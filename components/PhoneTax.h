#pragma once

#include "components/Events.h"
#include "core/Currency.h"
#include "core/DateTime.h"

#include <QObject>

#include <array>

namespace platform {
class IClock;
}

// The telephone cost of a dial-up call under the local pulse tariff: one pulse
// when the call starts, plus one pulse for every MinPorPulso whole minutes spent
// in multi-pulse hours. Minutes in reduced-rate time (00:00 to 06:00, Saturday
// afternoons, Sundays and holidays) cost nothing more; what they would have cost
// in multi-pulse hours is reported as the savings (Economia).
//
// The owner fills the inputs in OnNeedData and reads Custo and Economia in
// AfterCalculate. Main thread only.
class TPhoneTax final : public QObject {
    Q_OBJECT

public:
    // Starts with the last hour up to the clock's "now", four minutes per pulse
    // and a pulse of 0.1159, and calculates once so that Custo and Economia
    // already describe those defaults.
    explicit TPhoneTax(platform::IClock& clock, QObject* parent = nullptr);

    // The start never passes the end: a write that would put the start after
    // the end (or that cannot be compared, such as NaN) is ignored and the old
    // value stays.
    TDateTime InicioConexao() const { return m_inicioConexao; }
    void SetInicioConexao(TDateTime value);
    TDateTime FimConexao() const { return m_fimConexao; }
    void SetFimConexao(TDateTime value);

    Currency ValorPulso() const { return m_valorPulso; }
    void SetValorPulso(Currency value) { m_valorPulso = value; }
    // 0 is taken as 1 when calculating.
    quint8 MinPorPulso() const { return m_minPorPulso; }
    void SetMinPorPulso(quint8 value) { m_minPorPulso = value; }

    // The results of the last completed Calculate.
    Currency Custo() const { return m_custo; }
    Currency Economia() const { return m_economia; }

    // Empty = unassigned. Both are raised with this component as Sender.
    TNotifyEvent AfterCalculate, OnNeedData;

    // Raises OnNeedData, computes Custo and Economia from the inputs, stores
    // them and raises AfterCalculate. An error from a handler or from the inputs
    // (see ComputeCost) reaches the caller; Custo and Economia then keep their
    // previous values.
    void Calculate();

    // Whether the moment t is reduced-rate time. The first rule that holds wins:
    // the time of day is in [00:00, 06:00); the date is a Sunday; the date is a
    // Saturday and the time of day is at least 0.5834 of a day (14:00:05.76);
    // the date is one of the holidays of 2003 to 2010. The date is t truncated.
    // Throws EConvertError for a moment outside the years 1 to 9999 that the
    // first rule does not settle.
    bool IsReducedRateTime(TDateTime t) const;

    // Holiday dates, twelve per year for 2003 to 2010 in year order; entry k
    // (1 to 12) of year Y is entry (Y - 2003) * 12 + k, counting from 1.
    static constexpr int HolidayYearFirst = 2003;
    static constexpr int HolidayYearLast = 2010;
    static constexpr int HolidaysPerYear = 12;
    static constexpr int HolidayCount = (HolidayYearLast - HolidayYearFirst + 1) * HolidaysPerYear;
    static const std::array<const char*, HolidayCount> HolidayTable;

    // The started minutes of a call: trunc((end - start) * 1440) + 1. Counted
    // in 64 bits, so calls of 65,535 minutes and more do not wrap around.
    // Throws EConvertError when the difference is not finite or is beyond any
    // two date-times of the program (2^62 minutes or more).
    static qint64 CountMinutes(TDateTime start, TDateTime end);

    // The cost and savings of a call. Every whole minute elapsed from the start
    // is sampled at start + i * (1/1440) and judged by IsReducedRateTime; the
    // last, partial minute is not sampled. A call of at most minPorPulso started
    // minutes costs one pulse and saves nothing. minPorPulso 0 counts as 1.
    // Throws EConvertError, leaving custo and economia untouched, when start or
    // end is not a date-time of the years 1 to 9999 or the amounts do not fit
    // in Currency.
    static void ComputeCost(quint8 minPorPulso, TDateTime start, TDateTime end, Currency valorPulso, Currency& custo,
                            Currency& economia);

private:
    TDateTime m_inicioConexao = 0;
    TDateTime m_fimConexao = 0;
    Currency m_valorPulso = Currency::FromRaw(1159);
    quint8 m_minPorPulso = 4;
    Currency m_custo;
    Currency m_economia;
};
