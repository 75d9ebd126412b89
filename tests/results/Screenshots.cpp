// Takes pictures of the results, print and input error windows with sample
// data (offscreen) for the documentation.
// Usage: results_screenshots <output folder> [act PDF file]
// With a PDF file name, the act is also saved into it as the print window
// saves it (both pages); pdftoppm then renders its pages for the README.
#include "Cp1251.h"
#include "DateFields.h"
#include "PersonGrid.h"
#include "PersonList.h"
#include "ProtocolPdf.h"
#include "ProtocolPages.h"
#include "QtRussian.h"
#include "TFormErrF.h"
#include "TKavResultF.h"
#include "TPrintF.h"
#include "TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QPixmap>
#include <QTableWidget>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

bool Save(QWidget* w, const QString& folder, const char* name)
{
    w->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    return w->grab().save(QDir(folder).filePath(QString::fromLatin1(name)));
}

void WriteSamples()
{
    const char* names[] = {"Иванов Иван Иванович", "Петрова Анна Сергеевна", "Сидоров Петр Ильич",
                           "Кузнецов Павел Семенович", "Смирнова Ольга Викторовна"};
    LoadPersonList();
    for (const char* n : names)
        AddPerson(n);
    ResetPersonList();
    std::string march, february;
    const int values[] = {0, 3, 0, 8, 0, 123, 0, 1};
    for (int i = 0; i < 8; ++i) {
        const std::string name = names[i % 5];
        february += ToCp1251("2" + std::to_string(i) + ".02 0" + std::to_string(8 + i % 2) + ":1" +
                             std::to_string(i) + " > " + name + "  -  " + PromilleText(values[i])) + "\r\n";
        march += ToCp1251("1" + std::to_string(i) + ".03 1" + std::to_string(i) + ":0" + std::to_string(i) +
                          " > " + name + "  -  " + PromilleText(values[7 - i])) + "\r\n";
    }
    std::ofstream("Test_02.txt", std::ios::binary) << february;
    std::ofstream("Test_03.txt", std::ios::binary) << march;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    LoadQtRussian();
    if (argc < 2)
        return 2;
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString pdf = argc > 2 ? QDir(QString::fromLocal8Bit(argv[2])).absolutePath() : QString();
    QDir().mkpath(folder);

    char pattern[] = "/tmp/kavrel-shots-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
        return 1;
    std::filesystem::current_path(dir);
    ReadClock = [] { return ClockReading {2024, 3, 18, 12, 0}; };
    WriteSamples();

    bool ok = true;
    TPrintF print;
    PrintF = &print;
    TKavResultF results;
    results.show();
    results.Refresh();
    SetPersonGridRow(results.tab_FIO, 1);
    ok &= Save(&results, folder, "results-list.png");
    results.box_1->click();
    results.grid_R->setCurrentCell(3, 0);
    ok &= Save(&results, folder, "results-grid.png");
    results.hide();

    print.SetPageText(BuildAct(results.grid_R->item(3, 0)->text().toStdString()));
    PrintActMode = true;
    ok &= Save(&print, folder, "print-act.png");
    // The save dialog as the user sees it, with the PDF file type chosen.
    QTimer::singleShot(500, &print, [&] {
        print.SaveDialog1->selectNameFilter(QStringLiteral("PDF (*.pdf)"));
        print.SaveDialog1->selectFile(QStringLiteral("Kav_18_03.pdf"));
        ok &= Save(print.SaveDialog1, folder, "save-dialog.png");
        print.SaveDialog1->reject();
    });
    print.key_SaveClick();
    if (argc > 2) {
        std::string error;
        ok &= WriteProtocolPdf(pdf.toStdString(), {print.ShownPage(), SecondPageTemplate()},
                               QString::fromStdString(ProtocolTitle(true)), &error);
    }
    print.hide();

    TFormErrF error;
    error.EnteredPoints = {2500, 2400, 2300, 2000, 1900, 1500, 0};
    error.FormActivate();
    ok &= Save(&error, folder, "form-err.png");

    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
