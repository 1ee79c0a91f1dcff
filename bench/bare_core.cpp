// The floor for the starts without a window: a QCoreApplication made and gone, nothing else.

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    return 0;
}
