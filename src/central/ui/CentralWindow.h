#pragma once

#include <QWidget>

class AppContext;
class CentralMemoryCheck;
class CentralOutbox;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// "Центральная база": the site code and the connection, their check, the
// queue's state, the cards the server refused, "Отправить всё заново" for a
// period, the comparison with the server, and the check of a site's
// weighing memory kept there. Nothing here waits for the server: the
// checks, the resend and the comparison run on workers.
class CentralWindow : public QWidget
{
    Q_OBJECT

public:
    CentralWindow(AppContext &context, CentralOutbox &outbox, CentralMemoryCheck &memoryCheck,
                  QWidget *parent = nullptr);

    // The fields from the stored settings, the period to today.
    void load();

    QCheckBox *enabledBox() const { return m_enabled; }
    QLineEdit *siteField() const { return m_site; }
    QLineEdit *hostField() const { return m_host; }
    QSpinBox *portField() const { return m_port; }
    QLineEdit *databaseField() const { return m_database; }
    QLineEdit *userField() const { return m_user; }
    QLineEdit *passwordField() const { return m_password; }
    QComboBox *tlsBox() const { return m_tls; }
    QLineEdit *caField() const { return m_ca; }
    QProgressBar *resendProgress() const { return m_progress; }
    QTreeWidget *rejectedList() const { return m_rejected; }
    QPushButton *resendRejectedButton() const { return m_resendRejected; }
    QPushButton *reconcileButton() const { return m_reconcile; }
    QPushButton *checkButton() const { return m_check; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *resendButton() const { return m_resend; }
    QDateEdit *fromField() const { return m_from; }
    QDateEdit *toField() const { return m_to; }
    QLabel *resultLabel() const { return m_result; }
    QLabel *queueLabel() const { return m_queue; }
    QComboBox *memorySiteBox() const { return m_memorySite; }
    QPushButton *memoryCheckButton() const { return m_memoryCheck; }
    QLabel *memoryResultLabel() const { return m_memoryResult; }
    QListWidget *memoryFindingsList() const { return m_memoryFindings; }

private:
    void check();
    void save();
    void resend();
    void reconcile();
    void resendRejected();
    void showQueue();
    void showRejected();
    void checkMemory();

    AppContext &m_context;
    CentralOutbox &m_outbox;
    CentralMemoryCheck &m_memoryChecker;
    QCheckBox *m_enabled;
    QLineEdit *m_site;
    QLineEdit *m_host;
    QSpinBox *m_port;
    QLineEdit *m_database;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QComboBox *m_tls;
    QLineEdit *m_ca;
    QPushButton *m_check;
    QPushButton *m_save;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QPushButton *m_resend;
    QLabel *m_result;
    QLabel *m_queue;
    QProgressBar *m_progress;
    QTreeWidget *m_rejected;
    QPushButton *m_resendRejected;
    QPushButton *m_reconcile;
    QComboBox *m_memorySite;
    QPushButton *m_memoryCheck;
    QLabel *m_memoryResult;
    QListWidget *m_memoryFindings;
    int m_checks = 0;
};
