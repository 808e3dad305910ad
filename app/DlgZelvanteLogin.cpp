// The main dialog's login command.
#include "app/DlgHostLogin.h"
#include "app/DlgZelvante.h"

void CDlgZelvante::OnHostLoginCommand()
{
    DialogLoginPrompt prompt(this);
    HostLogin(prompt);
}
