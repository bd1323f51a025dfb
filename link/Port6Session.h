// The port-6 session that brackets a command: port 6 opened at its start,
// with the command's text when that fails, and closed at its end.
#ifndef LINK_PORT6SESSION_H
#define LINK_PORT6SESSION_H

// Opens port 6 for a command and shows its failure text when it cannot be
// opened; closes it when the scope ends unless told to leave it open.
class Port6Session {
public:
    // "ERROR 1B: Can not open port 6." when it cannot be opened.
    Port6Session();
    // A command with its own text for the failed open.
    explicit Port6Session(const char* openFailedText);
    ~Port6Session();
    Port6Session(const Port6Session&) = delete;
    Port6Session& operator=(const Port6Session&) = delete;

    bool IsOpen() const { return open; }
    // The command ends with the port open (the next command opens it again).
    void LeaveOpen() { closeAtEnd = false; }
    // Closes now, before what the command shows next; once only.
    void Close();

private:
    bool open;
    bool closeAtEnd = true;
};

#endif
