/* The inspector's subcommands. Each takes the arguments after its name and
   returns the process exit code: 0 done, 1 failed or timed out, 2 bad usage. */
#ifndef PELLORIN_INSPECTOR_COMMANDS_H
#define PELLORIN_INSPECTOR_COMMANDS_H

int CmdListWindows(int argc, char **argv);
int CmdFindWindow(int argc, char **argv);
int CmdWindowInfo(int argc, char **argv);
int CmdClientRect(int argc, char **argv);
int CmdForeground(int argc, char **argv);
int CmdPostCommand(int argc, char **argv);
int CmdWaitExit(int argc, char **argv);
int CmdRun(int argc, char **argv);

int CmdListDialogs(int argc, char **argv);
int CmdDialogTexts(int argc, char **argv);
int CmdClick(int argc, char **argv);
int CmdSetText(int argc, char **argv);
int CmdMessageBox(int argc, char **argv);

int CmdSendKeys(int argc, char **argv);

int CmdMenu(int argc, char **argv);

int CmdTextImage(int argc, char **argv);

#endif
