// The media information window ("视频信息提示"): the report's values in three
// groups, "显示详细信息" for the whole information text, "确定" to close.
#pragma once

#include "app/MediaReport.h"
#include "profiles/Translation.h"

#include <QDialog>
#include <map>

class QLabel;

class MediaInfoDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* Caption = VT_TR("视频信息提示");
    static constexpr const char* DetailsCaption = VT_TR("显示详细信息");

    explicit MediaInfoDialog(const TMediaReport& report, QWidget* parent = nullptr);

    // The value shown beside a caption ("文件名：" ...); empty for an unknown caption.
    QString Value(const QString& caption) const;

private:
    TMediaReport report_;
    std::map<QString, QLabel*> values_;
};
