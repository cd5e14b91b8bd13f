#ifndef GLINTVIEW_LOGINWIDGET_H
#define GLINTVIEW_LOGINWIDGET_H

#include "core/CCustomWidget.h"

#include <cstdint>

class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;

// The login work area: the operator logs in on the camera with a fresh
// capture, an ID and a role (ADMIN or SUPERUSER), and logs out again. The
// camera decides; the work area keeps the session record in AppContext.
class LoginWidget : public CCustomWidget
{
    Q_OBJECT
public:
    explicit LoginWidget(QWidget *parent = nullptr);

    // Shared by every login work area for the life of the program.
    static int32_t loginRole;          // ZephUserRole, SUPERUSER at start
    static char lastLoginId[256];      // the ID last submitted

public slots:
    void on_BtnLogin_clicked();
    void on_m_rdAdmin_clicked();
    void on_m_rdSuperUser_clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildForm();
    void fillIdList(int32_t role);
    void login();
    void logout();
    void showLoggedIn(const QString &id);
    void showLoggedOut();
    void placeButton(int column);

    QObject *m_mainWindow = nullptr;
    bool loggedIn = false;

    QFrame *leftFrame = nullptr;
    QGridLayout *m_grid = nullptr;
    QLabel *lblRole = nullptr;
    QRadioButton *m_rdAdmin = nullptr;
    QRadioButton *m_rdSuperUser = nullptr;
    QLabel *lblRoleText = nullptr;
    QLabel *label = nullptr;
    QComboBox *m_cbLoginIDs = nullptr;
    QLabel *lblIDText = nullptr;
    QPushButton *BtnLogin = nullptr;
    QLabel *lblRightEye = nullptr;
    QLabel *lblLeftEye = nullptr;
};

#endif
