#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class HttpClient;

namespace Ui {
class FeedbackDialog;
}

// Sends the user's comment with the compressed log to the service, shows the request's
// progress and outcome under the text box, and closes when the service confirms. It has a
// client of its own, used for nothing else. Closing only hides it.
class FeedbackDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FeedbackDialog(QWidget* parent = nullptr);
    ~FeedbackDialog() override;

    // Empties the comment and the status line, centres the dialog and shows it.
    void showDialog();

public slots:
    void sendFeedback();
    void onFeedbackStatus(const QString& message);
    void onFeedbackError(const QString& message);
    void onFeedbackSuccess();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showStatus(const QString& text);
    void showError(const QString& text);
    void showStatusLine(const QString& text, const QString& styleSheet);
    void setEditable(bool editable);

    std::unique_ptr<Ui::FeedbackDialog> ui;
    HttpClient* httpClient;
};
