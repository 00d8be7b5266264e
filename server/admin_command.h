// pellorin-score-server admin ...: moderation of the stored results and the
// deny list, and copying a database, on the database the server uses.
#ifndef PELLORIN_ADMIN_COMMAND_H
#define PELLORIN_ADMIN_COMMAND_H

// argv[0] is "admin". Returns the exit status: 0 done, 1 the database
// failed or there was nothing to change, 2 the command line is wrong.
int RunAdminCommand(int argc, char **argv);

#endif
