// A window like the main window's left group, for the preview panel's tests and
// screenshots until the panel sits in the main window: the panel in a group
// box, a few neighbouring controls that a skin colours, and a status bar that
// shows the panel's status text.
#pragma once

#include "fixtures/FixtureMaker.h"
#include "gui/PreviewPanel.h"
#include "player/Player.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

struct PreviewTestWindow {
    PreviewTestWindow(TPreviewServices services, const std::string& programFolder,
                      VideoArea::Mode mode = VideoArea::Mode::Drawn) {
        player = std::make_unique<TDOVidera>();
        window = std::make_unique<QMainWindow>();
        window->setWindowTitle(QStringLiteral("Vantoro"));
        auto* central = new QWidget(window.get());
        auto* row = new QHBoxLayout(central);
        auto* group = new QGroupBox(QStringLiteral("预览"), central);
        group->setFixedSize(329, 289);
        auto* groupLayout = new QVBoxLayout(group);
        groupLayout->setContentsMargins(8, 8, 8, 8);
        panel = new PreviewPanel(*player, std::move(services), QString::fromStdString(programFolder), mode,
                                 group);
        groupLayout->addWidget(panel);
        row->addWidget(group);
        auto* jobs = new QGroupBox(QStringLiteral("文件列表"), central);
        auto* jobsLayout = new QVBoxLayout(jobs);
        auto* table = new QTableWidget(2, 3, jobs);
        table->setHorizontalHeaderLabels(
            {QStringLiteral("文件名"), QStringLiteral("时长"), QStringLiteral("状态")});
        table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("movie.avi")));
        table->setItem(1, 0, new QTableWidgetItem(QStringLiteral("other.avi")));
        table->selectRow(0);
        jobsLayout->addWidget(table);
        auto* buttons = new QHBoxLayout;
        for (const char* caption : {"上移", "下移", "移除", "清空", "信息"})
            buttons->addWidget(new QPushButton(QString::fromUtf8(caption), jobs));
        jobsLayout->addLayout(buttons);
        row->addWidget(jobs, 1);
        window->setCentralWidget(central);
        QObject::connect(panel, &PreviewPanel::statusTextChanged, window->statusBar(),
                         [this](const QString& text) { window->statusBar()->showMessage(text); });
        window->resize(851, 340);
    }
    ~PreviewTestWindow() {
        window.reset(); // closes the preview before the player goes
        player.reset();
    }

    std::unique_ptr<TDOVidera> player;
    std::unique_ptr<QMainWindow> window;
    PreviewPanel* panel = nullptr;
};
