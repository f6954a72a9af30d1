echo never read
