// Owns the precompiled Qt headers that every test reuses; it runs nothing.
int main()
{
    return 0;
}
