#pragma once

#include "ui/ReportLayout.h"

#include <QDialog>
#include <QWidget>

class QAction;
class QLabel;
class QScrollArea;
class QSpinBox;
class QToolBar;

// One page of a prepared report on a sheet of paper, at a zoom factor
// (screen pixels per layout unit; 1 shows the page at its real size).
class TReportPageView final : public QWidget {
    Q_OBJECT

public:
    TReportPageView(const TAccessReport& report, QWidget* parent = nullptr);

    int Page() const { return m_page; } // 0-based
    void SetPage(int index);
    double Zoom() const { return m_zoom; }
    void SetZoom(double zoom);

    // The grey surround left around the sheet, in pixels.
    static constexpr int Surround = 14;

Q_SIGNALS:
    // Ctrl + the mouse wheel: +1 to enlarge, -1 to reduce.
    void ZoomRequested(int direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateSize();

    const TAccessReport& m_report;
    int m_page = 0;
    double m_zoom = 1.0;
};

// The preview of the "Relatório de Acessos à Internet": one page at a time,
// with page navigation, zoom, printing and saving as PDF.
class TfrmRelatorio final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmRelatorio(TAccessReport report, QWidget* parent = nullptr);
    ~TfrmRelatorio() override;

    const TAccessReport& Report() const { return m_report; }
    int CurrentPage() const; // 1-based
    int PageCount() const { return m_report.PageCount(); }
    double Zoom() const;
    // The line under the page: what the last save or print did.
    QString StatusText() const;

    // Shows page `page` (1-based; out-of-range numbers go to the nearest page).
    void GoToPage(int page);
    void FirstPage();
    void PriorPage();
    void NextPage();
    void LastPage();

    void ZoomIn();
    void ZoomOut();
    // Zoom so that the whole page, or the page's width, fits the window; the
    // fit is kept while the window is resized, until the user zooms.
    void FitPage();
    void FitWidth();

    // Asks for the printer and prints the chosen pages.
    void PrintClick();
    // Asks for the file name and saves the report as PDF.
    void SaveClick();
    // Saves the report as PDF in `fileName`; a failure is explained to the
    // user and answers false.
    bool SaveToFile(const QString& fileName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TFit { None, Page, Width };

    QAction* AddAction(const QString& name, const QString& text, const QString& toolTip, const QIcon& icon,
                       const QKeySequence& shortcut = QKeySequence());
    void SetZoom(double zoom, TFit fit);
    void ApplyFit();
    void UpdateControls();

    TAccessReport m_report;
    TFit m_fit = TFit::Width;

    QToolBar* m_toolBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    TReportPageView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QLabel* m_status = nullptr;

    QAction* m_first = nullptr;
    QAction* m_prior = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
    QAction* m_zoomIn = nullptr;
    QAction* m_zoomOut = nullptr;
    QAction* m_fitPage = nullptr;
    QAction* m_fitWidth = nullptr;
    QAction* m_print = nullptr;
    QAction* m_save = nullptr;
    QAction* m_close = nullptr;
};
